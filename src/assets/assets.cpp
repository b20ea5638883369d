// assets.cpp - the record of the game's catalogues (assets.h) and its reset.
#include "assets/assets.h"

AssetCatalogues assets;

void reset_assets() { assets = AssetCatalogues{}; }

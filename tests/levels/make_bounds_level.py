# make_bounds_level.py - writes a level at the reader's bounds, for measuring the frame rate:
# python3 make_bounds_level.py OUT.txt [POINTS_PER_OUTLINE [OUTLINES]]. By default eight ground
# outlines of 1024 points each (8192: both capacities of src/world/world.h), side by side: a
# gently waving floor 4 px a point with the hero at its start.
import math, sys
OUTLINE_POINTS = int(sys.argv[2]) if len(sys.argv) > 2 else 1024
OUTLINES = int(sys.argv[3]) if len(sys.argv) > 3 else 8192 // OUTLINE_POINTS
STEP = 4            # world pixels between points of the floor's top
FLOOR = 500         # top of the floor, world pixels, y down
lines = ['sky_valley', '0', str(OUTLINES)]
x = 0
for o in range(OUTLINES):
    top = [(x + i * STEP, FLOOR + round(20 * math.sin((x + i * STEP) / 200.0))) for i in range(OUTLINE_POINTS - 3)]
    x = top[-1][0]
    pts = top + [(top[-1][0], FLOOR + 300), (top[0][0], FLOOR + 300), top[0]]
    lines += ['turf', str((top[0][0] + top[-1][0]) // 2), str(FLOOR + 150), '0', '0', str(len(pts) - 1)]
    for px, py in pts:
        lines += [str(px), str(py)]
lines += ['0', '1', 'enot', '200', '380', '0', '0', '0']
with open(sys.argv[1], 'w', newline='') as f:
    f.write('\r\n'.join(lines) + '\r\n')

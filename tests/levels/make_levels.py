# make_levels.py - writes the small test levels of this folder, each showing one mechanic.
# Run from this folder: python3 make_levels.py. Positions in world pixels, y down; the floor top is
# at y=500, where a standing hero rests at y=452 (probe 16 below its centre, radius 32).
import math
def item(kind,x,y,pts=None,angle=0,mirror=0):
    l=[kind,str(x),str(y),str(angle),str(mirror)]
    if pts:
        l.append(str(len(pts)-1))
        for px,py in pts: l+= [fmt(px),fmt(py)]
    else: l.append('0')
    return l
def fmt(v):
    s=('%.3f'%v).rstrip('0').rstrip('.')
    return s if s not in ('-0',) else '0'
def box(x0,y0,x1,y1):  # closed outline, top edge first, clockwise on screen
    return [(x0,y0),(x1,y0),(x1,y1),(x0,y1),(x0,y0)]
def level(name, ground, objects, back=None, front=None, backdrop='sky_valley'):
    lines=[backdrop]
    for sec in (back or [], ground, front or [], objects):
        lines.append(str(len(sec)))
        for it in sec: lines+=it
    open(name,'w',newline='',encoding='cp1251').write('\r\n'.join(lines)+'\r\n')
FLOOR=500
def floor(x0=-400,x1=4000,y=FLOOR,kind='turf'): return item(kind,(x0+x1)//2,y+100,box(x0,y,x1,y+200))
hero=lambda x,y=452: item('enot',x,y)
# flat floor
level('flat.txt',[floor()],[hero(400)],back=[item('oak',300,380)],front=[item('grass1',500,500)])
# slopes: flat floor to x=1000, then a ramp rising to the right at the given angle for 600 px
for deg in (20,35,45):
    t=math.radians(deg); L=600
    ex=1000+L*math.cos(t); ey=FLOOR-L*math.sin(t)
    pts=[(-400,FLOOR),(1000,FLOOR),(ex,ey),(ex+1000,ey),(ex+1000,FLOOR+200),(-400,FLOOR+200),(-400,FLOOR)]
    # hero placed above the middle of the ramp
    hx=1000+300*math.cos(t); hy=FLOOR-300*math.sin(t)-80
    level('slope%d.txt'%deg,[item('earth',1000,FLOOR,pts)],[hero(round(hx),round(hy))])
# wall: a block standing on the floor from x=800 to 900, 300 px high
level('wall.txt',[floor(),item('stone',850,350,box(800,200,900,FLOOR))],[hero(400)])
# step and ceiling: a stone step 100 px high from x=800 (its face is met after the floor in every
# terrain pass) and a slab whose underside is at y=380 above the hero's start
level('step.txt',[floor(),item('stone',1200,450,box(800,400,1600,FLOOR)),item('stone',400,305,box(200,230,600,380))],
      [hero(400)])
# pit with hazards: floor with a gap 1000..1400, spikes ("ship") at its bottom, a hedgehog on the floor
level('pit.txt',[floor(-400,1000),floor(1400,4000),item('minerock',1200,800,box(900,700,1500,900))],
      [hero(400),item('ship',1150,650),item('ship',1250,650),item('hedge',1700,468)])
# spring: a chamomile on the floor; the hero starts 300 px above it
level('spring.txt',[floor()],[hero(600,150),item('romash',600,468)])
# cart: a cart on the floor at x=600, the hero above it; a wall at x=2000..2100
level('cart.txt',[floor(),item('stone',2050,300,box(2000,100,2100,FLOOR))],
      [item('vag',600,436),hero(600,200)])
# enemies, each on its own floor; the hero walks into the worm and the mole (hits) ...
level('bee.txt',[floor()],[hero(400),item('bee',700,440)])
level('worm.txt',[floor()],[item('worm',250,476),hero(400)])
level('krot.txt',[floor()],[item('krot',250,452),hero(400)])
# ... and drops onto each from above (stomps); the bee is brushed from the side, 20 px off
level('stomp_bee.txt',[floor()],[hero(700,200),item('bee',720,300)])
level('stomp_worm.txt',[floor()],[hero(720,200),item('worm',700,476)])
level('stomp_krot.txt',[floor()],[hero(720,200),item('krot',700,452)])
# hedgehogs: one, and a row the hero runs through, getting hit every 3000 ms until it dies
level('hedge.txt',[floor()],[hero(400),item('hedge',600,468)])
level('hits.txt',[floor(-400,7000)],[hero(400)]+[item('hedge',x,468) for x in (800,900,1600,2400,3200,4000,4800)])
# bonuses in a row at the hero's height, then a hedgehog (20 damage) and the health that cures it,
# the extra life and a second nut; a silver and a gold bonus 40 px above the path
row=[('bapple',600,452),('bberry',750,452),('bnut',900,452),('bgold',1050,452),('bsilver',1200,412),
     ('bgold',1250,412),('bsilver',1350,452),('hedge',1500,468),('health',1900,452),('life',2050,452),
     ('bnut',2200,452)]
level('pickups.txt',[floor()],[hero(400)]+[item(k,x,y) for k,x,y in row])
# the first bonus row (other tests count on it): each bonus once, 150 px apart
first=['bapple','bberry','bnut','bgold','bsilver','health','life']
level('bonuses.txt',[floor()],[hero(400)]+[item(k,600+150*i,452) for i,k in enumerate(first)])
level('level_end.txt',[floor()],[hero(400),item('table',800,436)])
# the hero standing on a spring does not bounce
level('spring_stand.txt',[floor()],[hero(400),item('romash',400,468)])
# showcase: every mechanic on one long valley, with scenery, lamps and plants
ground=[floor(-400,1800),item('stone',1300,440,box(1200,440,1400,FLOOR)),
        item('earth',2300,FLOOR,[(1800,FLOOR),(2200,FLOOR-120),(2600,FLOOR-120),(2800,FLOOR),(2800,FLOOR+200),(1800,FLOOR+200),(1800,FLOOR)]),
        floor(3000,7000),item('minerock',2900,800,box(2700,700,3100,900)),
        item('stone',6950,250,box(6900,0,7000,FLOOR)),
        item('bgcarst',1000,300,box(900,250,1100,350)),
        item('bush',600,480),item('kust',1600,470),item('mush',2000,470),item('rast',3300,480)]
objs=[hero(200)]+[item('bapple',500+60*i,440) for i in range(5)]+[
    item('worm',900,476),item('bee',1500,330),item('bberry',1300,330),item('krot',2300,332),
    item('bnut',2400,300),item('ship',2850,650),item('ship',2950,650),item('romash',3300,468),
    item('bgold',3300,150),item('hedge',3700,468),item('health',3900,452),item('life',4100,452),
    item('bsilver',4300,452),item('lantern',4500,380),item('sslamp',4700,380),
    item('vag',5000,436),item('bgold',5000,300),item('table',6700,436)]
level('showcase.txt',ground,objs,back=[item('oak',400,350),item('oak',1800,330),item('rock1',3500,400)],
      front=[item('grass2',800,510),item('grass3',2500,510),item('fence1',4000,470)])
# checkpoint: an apple, a sign, a checkpoint post at x=900 (its 128-px frame on the floor), a
# raspberry past it, then a pit of thorns (x 1400..1800) that a hero walking right falls into: it
# comes back to life at the post, with the apple and the raspberry still taken and the post lit
level('checkpoint.txt',[floor(-400,1400),floor(1800,4000),item('minerock',1600,800,box(1300,700,1900,900))],
      [hero(400),item('bapple',600,452),item('znak Прыгай: пробел',700,452),item('fonar',900,436),
       item('bberry',1100,452),item('ship',1500,650),item('ship',1600,650),item('ship',1700,650)])

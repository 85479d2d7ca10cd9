#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the library's icons and writes them to ../icons/*.xpm.

Run by hand after changing a drawing; the build only uses the committed .xpm files.
    python3 draw_icons.py [--sheet out.png]
"""
import math
import os
import subprocess
import sys

from iconkit import Canvas, polygon

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', 'icons')


def page(c, x0, y0, x1, y1, lines=True, ink='d'):
    """A sheet of paper with a folded corner and lines of text."""
    c.rect(x0, y0, x1, y1, fill='w', outline='k')
    # dog-ear at the top right
    c.set(x1, y0, ' ')
    c.set(x1 - 1, y0, 'k')
    c.set(x1, y0 + 1, 'k')
    c.set(x1 - 1, y0 + 1, 'd')
    if lines:
        for y in range(y0 + 3, y1 - 1, 2):
            length = (x1 - x0 - 4) if (y - y0) % 6 != 1 else (x1 - x0 - 7)
            c.hline(x0 + 2, x0 + 2 + length - 1, y, ink)


def file_server():
    c = Canvas()
    # the serving tray: an oval with a raised lip, seen from above at a low angle
    c.ellipse(15.5, 25.5, 15.2, 5.2, fill='d', outline='k')
    c.ellipse(15.5, 23.5, 15.2, 5.2, fill='s', outline='k')
    c.ellipse(15.5, 23.5, 12.2, 3.4, fill='w', outline='d')
    c.ellipse(15.5, 24.0, 11.5, 2.9, fill='s')
    # handles at both ends
    c.stamp(0, 22, ['kk', 'kk'])
    c.stamp(30, 22, ['kk', 'kk'])
    # two manila folders standing on the tray, the back one offset up and right
    for dx, dy in ((7, -4), (0, 0)):
        x0, y0 = 7 + dx, 8 + dy
        x1, y1 = x0 + 14, y0 + 15
        c.rect(x0, y0 + 2, x1, y1, fill='y', outline='k')          # back panel
        c.rect(x0, y0, x0 + 5, y0 + 2, fill='y', outline='k')      # tab
        c.set(x0 + 5, y0 + 2, 'y')
        c.hline(x0 + 1, x0 + 4, y0 + 2, 'y')
        c.hline(x0 + 1, x1 - 1, y0 + 4, 'k')                     # front flap edge
        c.hline(x0 + 1, x1 - 1, y0 + 5, 'w')                     # light on its lip
        c.vline(x1 - 1, y0 + 6, y1 - 1, 'o')                     # shade on the right
        c.hline(x0 + 1, x1 - 1, y1 - 1, 'o')
        c.hline(x0 + 1, x0 + 3, y0 + 1, 'w')
    return c


def laser_printer():
    c = Canvas()
    c.box3d(2, 13, 24, 15, 4, front='s', top='w', side='d')
    # paper slot on the top cover, with the printed page coming out of it
    c.hline(8, 24, 15, 'k')
    c.hline(9, 23, 16, 'd')
    page(c, 9, 1, 22, 15, ink='k')
    c.hline(8, 24, 15, 'k')
    # front: cover seam, status lights, paper cassette
    c.vline(3, 18, 30, 'w')
    c.hline(3, 24, 21, 'd')
    c.hline(3, 24, 22, 'w')
    c.set(21, 19, 'l')
    c.set(23, 19, 'y')
    c.rect(5, 25, 20, 28, fill='s', outline='d')
    c.hline(6, 19, 25, 'k')
    c.hline(10, 15, 27, 'd')
    c.hline(3, 24, 30, 'd')
    return c


def dot_matrix(mark_lq=False):
    c = Canvas()
    c.box3d(1, 14, 26, 12, 5, front='s', top='w', side='d')
    # tractor-feed paper rising from behind the platen
    x0, x1 = 6, 23
    c.rect(x0, 0, x1, 16, fill='w', outline='k')
    c.vline(x0, 0, 0, ' ')
    c.vline(x1, 0, 0, ' ')
    c.hline(x0 + 1, x1 - 1, 0, 'w')
    for y in range(1, 16, 2):           # sprocket holes down both margins
        c.set(x0 + 2, y, 'd')
        c.set(x1 - 2, y, 'd')
    c.vline(x0 + 3, 0, 15, 's')         # tear-off perforation of the margins
    c.vline(x1 - 3, 0, 15, 's')
    for x in range(x0 + 4, x1 - 3, 2):  # perforation between two sheets
        c.set(x, 5, 'd')
    for y, (a, b) in ((2, (9, 19)), (8, (9, 17)), (10, (9, 19)), (12, (9, 15))):
        for x in range(a, b + 1):       # printed dots
            if x % 3 != 2:
                c.set(x, y, 'k')
    # platen roller across the top cover, with its knob on the side
    c.hline(4, 27, 17, 'k')
    c.hline(5, 27, 18, 'd')
    c.hline(x0, x1, 16, 'k')
    c.stamp(27, 17, ['ss', 'kk', 'kk', 'ss'])
    # front panel: seam, lights and buttons
    c.vline(2, 20, 30, 'w')
    c.hline(2, 25, 23, 'd')
    c.hline(2, 25, 24, 'w')
    c.set(22, 21, 'l')
    c.set(24, 21, 'y')
    c.rect(18, 26, 20, 27, fill='d')
    c.rect(22, 26, 24, 27, fill='d')
    c.hline(2, 25, 29, 'd')
    if mark_lq:
        c.stamp(4, 25, [
            'nn....nnnn.',
            'nn...nn..nn',
            'nn...nn..nn',
            'nn...nn.nnn',
            'nnnnn.nnnnn',
        ])
    return c


def network():
    c = Canvas()
    # three devices of one zone on a shared cable
    # a small Macintosh
    c.rect(1, 6, 9, 19, fill='s', outline='k')
    c.vline(2, 7, 18, 'w')
    c.rect(3, 8, 7, 12, fill='c', outline='k')
    c.hline(5, 7, 16, 'k')
    c.hline(1, 9, 19, 'k')
    # a small laser printer with a page
    page(c, 13, 6, 18, 11, lines=False)
    c.hline(15, 16, 8, 'd')
    c.rect(11, 11, 20, 19, fill='s', outline='k')
    c.hline(12, 19, 12, 'w')
    c.hline(13, 18, 11, 'k')
    c.set(18, 16, 'l')
    # a small file server tower
    c.rect(23, 4, 30, 19, fill='s', outline='k')
    c.vline(24, 5, 18, 'w')
    c.rect(25, 7, 28, 8, fill='d')
    c.rect(25, 10, 28, 11, fill='d')
    c.set(25, 16, 'l')
    # drop cables, connectors and the trunk cable with its terminators
    for x in (5, 15, 26):
        c.vline(x, 20, 24, 'k')
        c.rect(x - 1, 24, x + 1, 26, fill='d', outline='k')
    c.rect(0, 27, 31, 28, fill='n')
    c.rect(0, 26, 1, 29, fill='k')
    c.rect(30, 26, 31, 29, fill='k')
    c.hline(5 - 1, 5 + 1, 26, 'k')
    return c


def macintosh():
    c = Canvas()
    c.box3d(5, 1, 19, 27, 3, front='s', top='w', side='d')
    c.vline(6, 5, 29, 'w')
    # screen in its bezel, showing a menu bar and a window
    c.rect(8, 6, 20, 17, fill='d', outline='k')
    c.rect(9, 7, 19, 16, fill='w', outline='k')
    c.hline(10, 18, 9, 'k')
    c.rect(11, 11, 17, 15, outline='k')
    c.hline(12, 16, 12, 'k')
    # floppy slot and the seam of the base
    c.hline(13, 19, 21, 'k')
    c.hline(13, 19, 22, 'd')
    c.hline(6, 22, 25, 'd')
    c.hline(6, 22, 26, 'w')
    # a rainbow badge at the lower left
    for i, col in enumerate('gyrpb'):
        c.set(9, 19 + i, col)
    return c


def arrow(c, x_tail, x_tip, yc, fill, outline):
    d = 1 if x_tip > x_tail else -1
    base = x_tip - 5 * d
    pts = [(x_tail, yc - 1), (base, yc - 1), (base, yc - 4), (x_tip, yc),
           (base, yc + 4), (base, yc + 1), (x_tail, yc + 1)]
    polygon(c, pts, fill=fill, outline=outline)


def router():
    c = Canvas()
    # traffic passes both ways between two networks
    arrow(c, 3, 28, 5, 'b', 'n')
    arrow(c, 28, 3, 13, 'r', 'm')
    c.box3d(5, 18, 22, 10, 3, front='s', top='w', side='d')
    c.vline(6, 22, 29, 'w')
    for x, col in ((8, 'l'), (10, 'l'), (12, 'y'), (14, 'r')):
        c.set(x, 24, col)
    c.rect(18, 23, 19, 25, fill='k')
    c.rect(22, 23, 23, 25, fill='k')
    # the two networks' cables
    c.rect(0, 25, 4, 26, fill='n')
    c.rect(29, 23, 31, 24, fill='n')
    return c


def modem():
    c = Canvas()
    c.box3d(2, 16, 26, 11, 4, front='s', top='w', side='d')
    c.vline(3, 21, 29, 'w')
    for x, col in ((6, 'r'), (9, 'l'), (12, 'l'), (15, 'y'), (18, 'l')):
        c.rect(x, 25, x + 1, 26, fill=col, outline=None)
        c.hline(x, x + 1, 27, 'd')
    c.hline(3, 26, 29, 'd')
    # a telephone handset resting in the cups of the acoustic coupler
    c.rect(4, 17, 11, 19, fill='k')
    c.rect(20, 17, 27, 19, fill='k')
    c.stamp(4, 9, [
        '....kkkkkkkkkkkkkkkk....',
        '..kkkkddddddddddddkkkk..',
        '.kkkkkkkkkkkkkkkkkkkkkk.',
        '.kkkkk............kkkkk.',
        '.kdkkk............kkkdk.',
        'kkdkkkk..........kkkkdkk',
        'kkkkkkkk........kkkkkkkk',
        'kddddddk........kddddddk',
        'kkkkkkkk........kkkkkkkk',
    ])
    return c


def spooler():
    c = Canvas()
    # print jobs waiting in the queue, and the clock they wait on
    page(c, 2, 1, 15, 18)
    page(c, 6, 4, 19, 21)
    page(c, 10, 7, 23, 24)
    c.ellipse(23.5, 23.5, 7.2, 7.2, fill='w', outline='k')
    c.ellipse(23.5, 23.5, 6.2, 6.2, outline='n')
    c.ellipse(23.5, 23.5, 7.2, 7.2, outline='k')
    for x, y in ((23, 18), (24, 18), (18, 23), (18, 24), (29, 23), (29, 24), (23, 29), (24, 29)):
        c.set(x, y, 'd')
    c.vline(23, 19, 23, 'k')
    c.hline(23, 27, 23, 'k')
    c.set(24, 24, 'r')
    return c


def plotter():
    c = Canvas()
    c.bevel(0, 4, 31, 28)
    c.rect(3, 7, 28, 25, fill='w', outline='d')
    # a drawn curve and a line, in two pens
    pts = []
    for x in range(4, 20):
        y = round(16 - 5 * math.sin((x - 4) / 15 * 2 * math.pi))
        pts.append((x, y))
    for (xa, ya), (xb, yb) in zip(pts, pts[1:]):
        c.line(xa, ya, xb, yb, 'b')
    c.line(5, 23, 26, 9, 'r')
    c.line(5, 23, 26, 23, 'g')
    # the gantry across the paper, with its pen holder over the end of the curve
    c.rect(20, 2, 23, 30, fill='d', outline='k')
    c.vline(21, 3, 29, 's')
    c.rect(18, 13, 25, 17, fill='s', outline='k')
    c.hline(19, 24, 14, 'w')
    c.rect(20, 18, 21, 19, fill='b', outline=None)
    c.set(20, 20, 'k')
    return c


def shared_disk():
    c = Canvas()
    # a stack of disk platters
    cx, rx = 15.5, 11.2
    c.ellipse(cx, 20, rx, 3.2, fill='s', outline='k')  # the bottom rim; its back half is hidden
    c.rect(5, 5, 26, 20, fill='s')
    c.vline(4, 5, 20, 'k')
    c.vline(27, 5, 20, 'k')
    c.vline(5, 5, 21, 'w')
    c.vline(25, 5, 21, 'd')
    c.vline(26, 5, 20, 'd')
    for y in (9, 14):  # the edges of the platters
        for x in range(5, 27):
            yy = y + round(3.0 * math.sqrt(max(0.0, 1 - ((x - cx) / rx) ** 2)))
            c.set(x, yy, 'd')
    c.ellipse(cx, 5, rx, 3.2, fill='w', outline='k')
    c.ellipse(cx, 5, 3.2, 1.0, fill='d', outline='d')
    c.set(22, 19, 'l')
    # shared on the network: the drop cable and the trunk
    c.vline(15, 25, 27, 'k')
    c.vline(16, 25, 27, 'k')
    c.rect(0, 28, 31, 29, fill='n')
    c.rect(0, 27, 1, 30, fill='k')
    c.rect(30, 27, 31, 30, fill='k')
    return c


def print_server():
    c = Canvas()
    # the server tower
    c.box3d(1, 2, 11, 27, 3, front='s', top='w', side='d')
    c.vline(2, 6, 30, 'w')
    for y in (8, 12):
        c.rect(3, y, 9, y + 2, fill='d', outline='k')
        c.hline(4, 8, y + 1, 'k')
    c.set(4, 26, 'l')
    c.hline(4, 8, 22, 'd')
    # the printer it serves, with a page
    page(c, 20, 8, 27, 19, ink='k')
    c.box3d(16, 17, 13, 10, 3, front='s', top='w', side='d')
    c.hline(19, 27, 19, 'k')
    c.vline(17, 21, 25, 'w')
    c.set(26, 22, 'l')
    c.hline(18, 26, 24, 'd')
    # cable between them
    c.hline(15, 15, 29, 'n')
    c.hline(12, 20, 29, 'n')
    c.vline(20, 27, 29, 'n')
    return c


ICONS = [
    (233, 'file_server', file_server),
    (234, 'laser_printer', laser_printer),
    (235, 'dot_matrix_printer', lambda: dot_matrix(False)),
    (236, 'appletalk_network', network),
    (237, 'macintosh', macintosh),
    (238, 'router', router),
    (239, 'modem', modem),
    (240, 'spooler', spooler),
    (241, 'plotter', plotter),
    (242, 'shared_disk', shared_disk),
    (245, 'print_server', print_server),
    (246, 'dot_matrix_printer_lq', lambda: dot_matrix(True)),
]


def main():
    os.makedirs(OUT, exist_ok=True)
    paths = []
    for number, name, draw in ICONS:
        path = os.path.join(OUT, name + '.xpm')
        with open(path, 'w') as f:
            f.write(draw().xpm(name + '_xpm'))
        paths.append((number, name, path))
    if '--sheet' in sys.argv:
        sheet = sys.argv[sys.argv.index('--sheet') + 1]
        args = []
        for number, name, path in paths:
            tile = '/tmp/icon_%d.png' % number
            # at 8x on the teal of a classic desktop, and at real size beside it
            subprocess.run(['convert', path, '-background', '#008080', '-flatten', '-scale', '800%',
                            '(', path, '-background', '#008080', '-flatten', ')',
                            '-gravity', 'south', '+append', tile], check=True)
            args += ['-label', '%d %s' % (number, name.replace('_', ' ')), tile]
        subprocess.run(['montage'] + args + ['-tile', '4x3', '-geometry', '+10+10',
                        '-font', 'DejaVu-Sans', '-pointsize', '16',
                        '-background', '#C0C0C0', sheet], check=True)

if __name__ == '__main__':
    main()

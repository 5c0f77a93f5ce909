#!/usr/bin/env python3
"""Checks the desktop Xvfb tests make on the program's screenshots and layout reports.

The desktop program writes, when asked by its environment (docs/desktop.md), a PNG of its window
and a layout report ("name x y w h" lines, global coordinates; the PNG starts at "client"). Each
command prints what is wrong and exits 1, or exits 0:

  on-screen REPORT           the window lies inside its screen's work area, and the terminal's cells
                             and the status line inside the window, one under the other
  corners SHOT REPORT        the first and last row and column hold drawn characters
"""
import sys

from PIL import Image


def read_report(path):
    report = {}
    for line in open(path):
        parts = line.split()
        if parts:
            report[parts[0]] = parts[1:]
    return report


def rect(report, name):
    x, y, w, h = (int(v) for v in report[name])
    return x, y, w, h


def distance(a, b):
    return sum(abs(p - q) for p, q in zip(a, b))


def inside(outer, inner):
    ox, oy, ow, oh = outer
    ix, iy, iw, ih = inner
    return ix >= ox and iy >= oy and ix + iw <= ox + ow and iy + ih <= oy + oh


def on_screen(report_path):
    report = read_report(report_path)
    work, frame, client = rect(report, 'work'), rect(report, 'frame'), rect(report, 'client')
    screen, status = rect(report, 'screen'), rect(report, 'status')
    if not inside(work, frame):
        return f'the window {frame} is not inside the work area {work}'
    if not inside(client, screen):
        return f'the terminal\'s cells {screen} are not all inside the window {client}'
    if not inside(client, status):
        return f'the status line {status} is not inside the window {client}'
    if screen[1] + screen[3] > status[1]:
        return f'the status line {status} covers the last row of {screen}'
    rows, columns = (int(v) for v in report['size'])
    cell_w, cell_h = (int(v) for v in report['cell'])
    if (screen[2], screen[3]) != (columns * cell_w, rows * cell_h):
        return f'the screen {screen} is not {rows} rows and {columns} columns of {cell_w}x{cell_h} cells'
    return None


def corners(shot, report_path):
    image, report = Image.open(shot).convert('RGB'), read_report(report_path)
    cx, cy, _, _ = rect(report, 'client')
    x0, y0, _, _ = rect(report, 'screen')
    rows, columns = (int(v) for v in report['size'])
    cell_w, cell_h = (int(v) for v in report['cell'])
    background = image.getpixel((x0 - cx + cell_w * (columns // 2), y0 - cy + 1))  # a blank cell of the first row

    def drawn(row, column):
        left, top = x0 - cx + column * cell_w, y0 - cy + row * cell_h
        return any(distance(image.getpixel((x, y)), background) > 150
                   for y in range(top, top + cell_h) for x in range(left, left + cell_w))

    for row, column, what in ((0, 0, 'first row, first column'), (0, columns - 1, 'first row, last column'),
                              (rows - 1, 0, 'last row, first column'),
                              (rows - 1, columns - 1, 'last row, last column')):
        if not drawn(row, column + (1 if column == 0 else 0)):
            return f'nothing is drawn in the {what} (row {row + 1}, column {column + 1})'
    return None


def main(argv):
    commands = {'on-screen': on_screen, 'corners': corners}
    if len(argv) < 2 or argv[1] not in commands:
        print(__doc__)
        return 2
    problem = commands[argv[1]](*argv[2:])
    if problem:
        print(problem)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))

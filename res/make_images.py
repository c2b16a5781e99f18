#!/usr/bin/env python3
"""Draws the program's toolbar strip, tab and tree icons and application icon
as small pixel art and writes them as BMP and ICO files beside this script.
Run it again after changing a drawing; the outputs are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MAGENTA = (255, 0, 255)


class Canvas:
    def __init__(self, w, h, bg=None):
        self.w, self.h = w, h
        self.px = [[bg for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, line=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge and line is not None:
                    self.set(x, y, line)
                elif fill is not None:
                    self.set(x, y, fill)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, fill, line=None):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if d <= r:
                    self.set(x, y, line if (line is not None and d > r - 1.1) else fill)

    def poly(self, pts, fill):
        """Fills a polygon by the even-odd rule at pixel centres."""
        for y in range(self.h):
            for x in range(self.w):
                px, py = x + 0.5, y + 0.5
                inside = False
                for i in range(len(pts)):
                    (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
                    if (y0 > py) != (y1 > py) and px < (x1 - x0) * (py - y0) / (y1 - y0) + x0:
                        inside = not inside
                if inside:
                    self.set(x, y, fill)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] is not None:
                    self.set(ox + x, oy + y, other.px[y][x])


class ScaledCanvas(Canvas):
    """Takes the 16x16 drawings and renders them at size x size: every
    coordinate is scaled, so the toolbar's pictures are drawn, not stretched."""

    def __init__(self, size):
        Canvas.__init__(self, size, size)
        self.s = size / 16.0
        self.raw = False  # while a drawing primitive puts its own pixels

    def _span(self, a, b):
        return int(a * self.s), int((b + 1) * self.s) - 1

    def _draw(self, primitive, *args):
        self.raw = True
        try:
            primitive(self, *args)
        finally:
            self.raw = False

    def set(self, x, y, c):
        if self.raw:
            Canvas.set(self, x, y, c)
            return
        x0, x1 = self._span(x, x)
        y0, y1 = self._span(y, y)
        for yy in range(y0, y1 + 1):
            for xx in range(x0, x1 + 1):
                Canvas.set(self, xx, yy, c)

    def rect(self, x0, y0, x1, y1, fill=None, line=None):
        X0, X1 = self._span(x0, x1)
        Y0, Y1 = self._span(y0, y1)
        self._draw(Canvas.rect, X0, Y0, X1, Y1, fill, line)

    def line(self, x0, y0, x1, y1, c):
        f = lambda v: int((v + 0.5) * self.s)
        self._draw(Canvas.line, f(x0), f(y0), f(x1), f(y1), c)

    def disc(self, cx, cy, r, fill, line=None):
        self._draw(Canvas.disc, cx * self.s, cy * self.s, r * self.s, fill, line)

    def poly(self, pts, fill):
        self._draw(Canvas.poly, [(x * self.s, y * self.s) for x, y in pts], fill)


# The toolbar's pictures are drawn on this; main() switches it to 24 pixels.
TOOL_SIZE = 16


def tool_canvas():
    return Canvas(16, 16) if TOOL_SIZE == 16 else ScaledCanvas(TOOL_SIZE)


def muted(c, amount=0.3):
    """The resting look of a toolbar picture: its colours drawn toward grey;
    the hot look is the full colour."""
    out = Canvas(c.w, c.h)
    for y in range(c.h):
        for x in range(c.w):
            p = c.px[y][x]
            if p is not None:
                g = sum(p) / 3.0
                out.px[y][x] = tuple(int(v + (g - v) * amount) for v in p)
    return out


def disabled(c):
    """The disabled look of a toolbar picture: its shapes in light greys.
    The toolbar would otherwise make one from the transparency mask alone,
    and a picture that fills its square (the Save disk) becomes a solid grey
    square."""
    out = Canvas(c.w, c.h)
    for y in range(c.h):
        for x in range(c.w):
            p = c.px[y][x]
            if p is not None:
                g = int(110 + (0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2]) * 0.55)
                out.px[y][x] = (g, g, g)
    return out


# --- drawings, 16x16 -------------------------------------------------------

def page(c, x0=3, y0=1, x1=12, y1=14):
    c.poly([(x0, y0), (x1 - 3, y0), (x1 + 1, y0 + 4), (x1 + 1, y1 + 1), (x0, y1 + 1)], (255, 255, 255))
    c.line(x0, y0, x1 - 3, y0, (96, 96, 96))
    c.line(x1 - 3, y0, x1, y0 + 3, (96, 96, 96))
    c.line(x1, y0 + 3, x1, y1, (96, 96, 96))
    c.line(x1, y1, x0, y1, (96, 96, 96))
    c.line(x0, y1, x0, y0, (96, 96, 96))
    c.line(x1 - 3, y0, x1 - 3, y0 + 3, (96, 96, 96))
    c.line(x1 - 3, y0 + 3, x1, y0 + 3, (96, 96, 96))


def icon_new():
    c = tool_canvas()
    page(c)
    c.set(12, 12, (255, 200, 0))
    for d in range(1, 3):
        c.set(12 + d, 12, (255, 200, 0)); c.set(12 - d, 12, (255, 200, 0))
        c.set(12, 12 + d, (255, 200, 0)); c.set(12, 12 - d, (255, 200, 0))
    return c


def icon_open():
    c = tool_canvas()
    c.rect(1, 4, 6, 5, fill=(230, 180, 60), line=(150, 100, 20))
    c.rect(1, 5, 13, 13, fill=(240, 200, 80), line=(150, 100, 20))
    c.poly([(3, 8), (16, 8), (14, 14), (1, 14)], (250, 220, 120))
    c.line(3, 8, 15, 8, (150, 100, 20))
    c.line(15, 8, 13, 13, (150, 100, 20))
    return c


def icon_save():
    c = tool_canvas()
    c.rect(1, 1, 14, 14, fill=(40, 80, 170), line=(20, 40, 100))
    c.rect(4, 1, 11, 6, fill=(235, 235, 235), line=(20, 40, 100))
    c.rect(9, 2, 10, 5, fill=(40, 80, 170))
    c.rect(3, 9, 12, 14, fill=(220, 220, 220), line=(20, 40, 100))
    return c


def device(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, fill=(70, 80, 95), line=(30, 35, 45))
    for i, col in enumerate([(60, 220, 60), (60, 220, 60), (250, 180, 0)]):
        c.set(x0 + 2 + 2 * i, y0 + 2, col)


def arrow(c, x, top, bottom, col, up):
    """A vertical arrow, 7 pixels wide, from top to bottom."""
    if up:
        c.poly([(x + 0.5, top), (x + 4, top + 4), (x + 2, top + 4), (x + 2, bottom + 1),
                (x - 1, bottom + 1), (x - 1, top + 4), (x - 3, top + 4)], col)
    else:
        c.poly([(x + 0.5, bottom + 1), (x + 4, bottom - 3), (x + 2, bottom - 3), (x + 2, top),
                (x - 1, top), (x - 1, bottom - 3), (x - 3, bottom - 3)], col)


def icon_download():
    c = tool_canvas()
    device(c, 1, 0, 14, 4)
    arrow(c, 7, 5, 15, (30, 150, 40), up=False)
    return c


def icon_upload():
    c = tool_canvas()
    device(c, 1, 0, 14, 4)
    arrow(c, 7, 5, 15, (30, 90, 200), up=True)
    return c


def icon_upload_no_network():
    c = icon_upload()
    red = (210, 30, 30)
    for d in range(5):
        c.set(10 + d, 10 + d, red); c.set(11 + d, 10 + d, red)
        c.set(14 - d, 10 + d, red); c.set(15 - d, 10 + d, red)
    return c


def icon_about():
    c = tool_canvas()
    c.disc(8, 8, 7.5, (40, 100, 200), (20, 50, 130))
    c.rect(7, 3, 8, 4, fill=(255, 255, 255))
    c.rect(7, 6, 8, 12, fill=(255, 255, 255))
    c.rect(6, 6, 6, 6, fill=(255, 255, 255))
    c.rect(6, 12, 9, 12, fill=(255, 255, 255))
    return c


def icon_help():
    """Help Topics in the Help menu: a question mark on a disc."""
    c = tool_canvas()
    white = (255, 255, 255)
    c.disc(8, 8, 7.5, (30, 140, 90), (15, 80, 50))
    c.rect(6, 3, 9, 3, fill=white)
    c.rect(5, 4, 6, 5, fill=white)
    c.rect(9, 4, 10, 5, fill=white)
    c.rect(8, 6, 9, 6, fill=white)
    c.rect(7, 7, 8, 8, fill=white)
    c.rect(7, 10, 8, 11, fill=white)
    return c


def icon_tab_config():
    c = Canvas(16, 16)
    c.rect(1, 1, 14, 14, fill=(250, 250, 250), line=(90, 90, 90))
    for i, pos in enumerate([4, 9, 6]):
        y = 4 + 4 * i
        c.line(3, y, 12, y, (120, 120, 120))
        c.rect(pos - 1, y - 1, pos + 1, y + 1, fill=(40, 100, 200), line=(20, 50, 130))
    return c


def icon_tab_comm():
    c = Canvas(16, 16)
    blue, red = (30, 60, 220), (220, 40, 40)
    c.poly([(1, 5), (5, 1), (5, 3.5), (14, 3.5), (14, 6.5), (5, 6.5), (5, 9)], blue)
    c.poly([(15, 11), (11, 7), (11, 9.5), (2, 9.5), (2, 12.5), (11, 12.5), (11, 15)], red)
    return c


def icon_tab_monitor():
    c = Canvas(16, 16)
    c.rect(0, 1, 15, 11, fill=(20, 30, 30), line=(90, 90, 90))
    for x, y in [(2, 8), (4, 8), (5, 5), (7, 9), (9, 3), (11, 7), (13, 6)]:
        pass
    pts = [(2, 8), (4, 8), (5, 4), (7, 9), (9, 3), (11, 7), (13, 6)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        c.line(x0, y0, x1, y1, (60, 230, 60))
    c.rect(6, 12, 9, 13, fill=(90, 90, 90))
    c.rect(3, 14, 12, 14, fill=(90, 90, 90))
    return c


def icon_tab_diag():
    c = Canvas(16, 16)
    c.rect(0, 0, 15, 15, fill=(255, 255, 255), line=(90, 90, 90))
    c.rect(3, 9, 4, 14, fill=(40, 160, 60))
    c.rect(7, 5, 8, 14, fill=(240, 170, 0))
    c.rect(11, 2, 12, 14, fill=(210, 40, 40))
    return c


def icon_tree_device():
    c = Canvas(16, 16)
    device(c, 0, 5, 15, 12)
    c.line(3, 5, 1, 0, (60, 60, 60))
    c.line(12, 5, 14, 0, (60, 60, 60))
    return c


def icon_tree_folder(open_):
    c = Canvas(16, 16)
    c.rect(1, 3, 6, 4, fill=(230, 180, 60), line=(150, 100, 20))
    c.rect(1, 4, 14, 13, fill=(240, 200, 80), line=(150, 100, 20))
    if open_:
        c.poly([(3, 7), (16, 7), (14, 14), (1, 14)], (250, 225, 130))
    return c


def icon_tree_node(selected):
    c = Canvas(16, 16)
    c.rect(1, 2, 14, 13, fill=(255, 255, 200) if selected else (255, 255, 255), line=(90, 90, 90))
    col = (210, 40, 40) if selected else (40, 100, 200)
    pts = [(3, 10), (5, 7), (7, 9), (9, 5), (11, 8), (12, 4)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        c.line(x0, y0, x1, y1, col)
    return c


def app_icon(size):
    c = Canvas(size, size)
    s = size / 32.0
    body = (int(3 * s), int(12 * s), size - 1 - int(3 * s), size - 1 - int(5 * s))
    c.rect(*body, fill=(45, 70, 120), line=(15, 25, 50))
    c.rect(body[0] + 1, body[1] + 1, body[2] - 1, body[1] + max(1, int(2 * s)), fill=(80, 115, 180))
    leds = [(80, 230, 80), (80, 230, 80), (250, 190, 0), (230, 60, 60)]
    for i, col in enumerate(leds):
        x = body[0] + int((4 + 5 * i) * s)
        y = body[3] - int(5 * s)
        c.rect(x, y, x + max(1, int(2 * s)) - 1, y + max(1, int(2 * s)) - 1, fill=col)
    # two antennas
    c.line(body[0] + int(5 * s), body[1], body[0] + int(2 * s), int(1 * s), (20, 20, 20))
    c.line(body[2] - int(5 * s), body[1], body[2] - int(2 * s), int(1 * s), (20, 20, 20))
    c.disc(body[0] + 2 * s + 0.5, 1.5 * s + 0.5, max(1.0, 1.6 * s), (230, 60, 60))
    c.disc(body[2] - 2 * s + 0.5, 1.5 * s + 0.5, max(1.0, 1.6 * s), (230, 60, 60))
    return c


# --- writers ---------------------------------------------------------------

def write_bmp(path, canvas, bg=MAGENTA):
    """24-bit bottom-up BMP; empty pixels become bg."""
    row = (canvas.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.w):
            r, g, b = canvas.px[y][x] or bg
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_image(canvas):
    """One ICO image: 32-bit BGRA XOR bitmap and a 1-bit AND mask."""
    w, h = canvas.w, canvas.h
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            p = canvas.px[y][x]
            xor += bytes((p[2], p[1], p[0], 255)) if p else b"\0\0\0\0"
    mask_row = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(w):
            if canvas.px[y][x] is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


def icon_lamp(fill, rim):
    """A lit indicator lamp of the ISDN line states."""
    c = Canvas(16, 16)
    c.disc(8, 8, 6.5, fill, rim)
    c.disc(6, 6, 1.6, (255, 255, 255))
    return c


def toolbar_strips(size):
    global TOOL_SIZE
    TOOL_SIZE = size
    tools = [icon_new(), icon_open(), icon_save(), icon_download(), icon_upload(),
             icon_upload_no_network(), icon_about()]
    TOOL_SIZE = 16
    strip = Canvas(size * len(tools), size)
    hot = Canvas(size * len(tools), size)
    grey = Canvas(size * len(tools), size)
    for i, t in enumerate(tools):
        strip.blit(muted(t), size * i, 0)
        hot.blit(t, size * i, 0)
        grey.blit(disabled(t), size * i, 0)
    return strip, hot, grey


def main():
    strip, hot, grey = toolbar_strips(24)
    write_bmp(os.path.join(HERE, "Toolbar.bmp"), strip)
    write_bmp(os.path.join(HERE, "ToolbarHot.bmp"), hot)
    write_bmp(os.path.join(HERE, "ToolbarDisabled.bmp"), grey)
    # The menus show the same pictures at 16 pixels, and Help Topics one of
    # its own: in a menu where some items have a picture, an item without
    # one has its shortcut drawn over the end of its text under Wine.
    menu = toolbar_strips(16)[1]
    strip = Canvas(menu.w + 16, 16)
    strip.blit(menu, 0, 0)
    strip.blit(icon_help(), menu.w, 0)
    write_bmp(os.path.join(HERE, "MenuImages.bmp"), strip)
    write_ico(os.path.join(HERE, "App.ico"), [app_icon(32), app_icon(16)])
    write_ico(os.path.join(HERE, "TabConfig.ico"), [icon_tab_config()])
    write_ico(os.path.join(HERE, "TabComm.ico"), [icon_tab_comm()])
    write_ico(os.path.join(HERE, "TabMonitor.ico"), [icon_tab_monitor()])
    write_ico(os.path.join(HERE, "TabDiag.ico"), [icon_tab_diag()])
    write_ico(os.path.join(HERE, "DiagDevice.ico"), [icon_tree_device()])
    write_ico(os.path.join(HERE, "DiagFolder.ico"), [icon_tree_folder(False)])
    write_ico(os.path.join(HERE, "DiagFolderOpen.ico"), [icon_tree_folder(True)])
    write_ico(os.path.join(HERE, "DiagNode.ico"), [icon_tree_node(False)])
    write_ico(os.path.join(HERE, "DiagNodeSelected.ico"), [icon_tree_node(True)])
    write_ico(os.path.join(HERE, "DiagLampAlarm.ico"), [icon_lamp((220, 30, 30), (120, 0, 0))])
    write_ico(os.path.join(HERE, "DiagLampSdi.ico"), [icon_lamp((240, 190, 20), (130, 90, 0))])


if __name__ == "__main__":
    main()

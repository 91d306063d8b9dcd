"""Finds the parts of port windows on a screenshot by their colours: the white
Transmit and Receive boxes, the green lit activity cell and the light red or
dark grey modem indicators. Positions follow the window's design in twips
(15 twips a pixel at scale 1), measured from the boxes' left edge."""
from harness import DARK_GREY, GREEN, LIGHT_RED, WHITE, find_colour

CELL_LEFT, CELL_STEP = 192, 8  # ACTIVITY cell 1 and the step to the next, pixels
INDICATOR_LEFT = {"DTR": 33, "RTS": 83, "DSR": 223, "CTS": 273, "DCD": 323}


class PortWindow:
    def __init__(self, transmit, receive, scale):
        self.transmit, self.receive, self.scale = transmit, receive, scale
        # The boxes have a one-pixel frame (scaled) at the window's left edge.
        self.left = receive[0] - scale

    def __repr__(self):
        return "PortWindow(transmit=%r, receive=%r)" % (self.transmit[:4], self.receive[:4])

    def cell_at(self, area):
        """The number (1..8) of the activity cell that a coloured area covers."""
        return round((area[0] - self.left - CELL_LEFT * self.scale) / (CELL_STEP * self.scale)) + 1

    def within(self, area):
        return self.left - 2 <= area[0] and area[2] <= self.receive[2] + 2


def port_windows(img, scale=1):
    """Every port window on screen, left to right: a Transmit box above a
    Receive box with the same left edge."""
    boxes = [a for a in find_colour(img, WHITE) if a[4] > 2000 * scale * scale]
    columns = {}
    for b in boxes:
        key = next((k for k in columns if abs(k - b[0]) <= 2), b[0])
        columns.setdefault(key, []).append(b)
    wins = []
    for key in sorted(columns):
        col = sorted(columns[key], key=lambda a: a[1])
        for tx, rx in zip(col[0::2], col[1::2]):
            wins.append(PortWindow(tx, rx, scale))
    return wins


def lit_cells(img, win):
    """(transmit cells lit, receive cells lit) of one window: the numbers of
    the green cells just above each box."""
    s = win.scale
    rows = ([], [])
    for a in find_colour(img, GREEN):
        if a[4] < 40 * s * s or not win.within(a):
            continue
        for i, box in enumerate((win.transmit, win.receive)):
            if abs(a[3] - box[1]) <= 3 * s:
                rows[i].append(win.cell_at(a))
    return tuple(sorted(r) for r in rows)


def indicators(img, win):
    """{line name: "on" | "off"} for the indicators found below the Receive box."""
    s = win.scale
    found = {}
    for colour, look in ((LIGHT_RED, "on"), (DARK_GREY, "off")):
        for a in find_colour(img, colour, (win.left, win.receive[3], win.receive[2], img.height)):
            if a[4] < 80 * s * s:
                continue  # label text, not an indicator
            offset = (a[0] - win.left) / s
            name = min(INDICATOR_LEFT, key=lambda n: abs(INDICATOR_LEFT[n] - offset))
            if abs(INDICATOR_LEFT[name] - offset) <= 4:
                found[name] = look
    return found

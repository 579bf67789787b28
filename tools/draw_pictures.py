#!/usr/bin/env python3
"""Draws the decorative pictures of the windows: simple line drawings of
copepod larvae for the main window and of two habitats for the input windows.

Each picture is a list of ImageMagick drawing commands and rendered to a
JPEG in src/ui/resources with `convert`. Run by hand when a picture changes;
the JPEGs are kept in the repository, so the build needs neither this script
nor ImageMagick.
"""
import os
import subprocess

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "ui", "resources")
INK = "#23415c"
EYE = "#b0302a"


def limb(w, x0, y0, x1, y1, x2, y2):
    """A bent limb with two bristles at its tip, and its mirror image."""
    cmds = []
    for sx in (lambda x: x, lambda x: w - x):
        d = 12 if sx(x2) > sx(x1) else -12
        cmds.append(f"polyline {sx(x0)},{y0} {sx(x1)},{y1} {sx(x2)},{y2}")
        cmds.append(f"line {sx(x2)},{y2} {sx(x2) + d},{y2 - 6}")
        cmds.append(f"line {sx(x2)},{y2} {sx(x2) + d},{y2 + 6}")
    return cmds


def picture(name, w, h, background, shapes):
    mvg = [f"stroke '{INK}'", "stroke-width 3", "fill none"] + shapes
    subprocess.run(["convert", "-size", f"{w}x{h}", f"xc:{background}", "-draw", " ".join(mvg),
                    "-quality", "90", os.path.join(OUT, name)], check=True)


def fill(colour):
    return f"fill '{colour}'"


W, H = 240, 200

# Nauplius I: a pear-shaped body, the single eye and three pairs of limbs.
picture("NaupliusI.jpg", W, H, "#f4fbff",
        [fill("#bfe3f2"), "ellipse 120,100 42,56 0,360", fill(EYE), "circle 120,66 120,72",
         "fill none"]
        + limb(W, 150, 70, 180, 50, 205, 40) + limb(W, 158, 100, 190, 100, 215, 110)
        + limb(W, 152, 128, 178, 145, 198, 165))

# Nauplius II: longer, with a pair of caudal spines.
picture("NaupliusII.jpg", W, H, "#f4fbff",
        [fill("#c8e8d0"), "ellipse 120,92 40,62 0,360", fill(EYE), "circle 120,56 120,62",
         "fill none", "line 108,150 100,190", "line 132,150 140,190"]
        + limb(W, 148, 62, 182, 40, 210, 30) + limb(W, 156, 92, 192, 90, 220, 98)
        + limb(W, 150, 122, 180, 138, 204, 160))

# Copepodite: a segmented body, long first antennae and a forked tail.
picture("Copepodite.jpg", W, H, "#f4fbff",
        [fill("#f2e0b8"), "ellipse 120,70 26,40 0,360", "ellipse 120,118 18,14 0,360",
         "ellipse 120,140 14,10 0,360", "ellipse 120,158 10,9 0,360", fill(EYE),
         "circle 120,40 120,45", "fill none",
         "polyline 110,40 70,30 30,40 12,52", "polyline 130,40 170,30 210,40 228,52",
         "line 114,166 104,194", "line 126,166 136,194",
         "line 98,84 76,100", "line 142,84 164,100", "line 100,98 80,116", "line 140,98 160,116"])

# Sexual input window: two habitats of different sizes, larvae settling.
picture("SexImput.jpg", 320, 200, "#f4fbff",
        [fill("#9fd6a0"), "rectangle 10,110 190,190", fill("#8fb8e8"), "rectangle 200,110 310,190",
         fill("#bfe3f2"), "ellipse 80,50 16,20 0,360", "ellipse 150,40 12,16 0,360",
         "ellipse 240,55 14,18 0,360", "fill none",
         "polyline 80,72 90,95 100,120", "polyline 240,75 245,95 250,130",
         "polyline 150,58 170,85 215,130"])

# Clonal input window: the four clones and where they settle.
picture("ClonImput.jpg", 320, 200, "#fbf8f0",
        [fill("#9fd6a0"), "rectangle 10,120 140,190", fill("#8fb8e8"), "rectangle 150,120 310,190",
         fill("#bfe3f2"), "ellipse 60,60 14,18 0,360", fill("#c8e8d0"), "ellipse 120,60 14,18 0,360",
         fill("#f2e0b8"), "ellipse 200,60 14,18 0,360", fill("#e8c8d8"),
         "ellipse 260,60 14,18 0,360", "fill none",
         "line 60,80 60,140", "line 260,80 260,140",
         "polyline 120,80 150,110 180,150", "polyline 200,80 170,110 110,150"])

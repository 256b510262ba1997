"""Parses each SVG picture given as XML. Prints "OK <file> <elements>" per picture, or the
parser's error, and exits with 1 when any picture fails.

With --layout, also checks what a reader needs at a glance, from the boxes of the elements:
every text's box (estimated from its font size, its length in Arial advance widths, its anchor
and its turns) overlaps no other text's box and no junction mark (circle or rectangle of class
"node") other than the one it numbers; the heading lies above the network; there is a legend
and a scale bar in metres. Each fault is printed on a line of its own."""
import math
import re
import sys
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"

# Advance widths of Arial (and its metric twin Liberation Sans), in ems.
WIDTHS = {}
for chars, width in (("0123456789", 0.556), (" .,/:;!|", 0.278), ("()-[]", 0.333), ("ijl", 0.222), ("frt", 0.333),
                     ("mw", 0.833), ("M", 0.833), ("W", 0.944)):
    for c in chars:
        WIDTHS[c] = width
ASCENT, DESCENT = 0.72, 0.21


def char_width(c):
    if c in WIDTHS:
        return WIDTHS[c]
    if "A" <= c <= "Z":
        return 0.722 if c not in "EFJLPSTXYZ" else 0.667
    if "a" <= c <= "z":
        return 0.5 if c in "ckvxyz" else 0.556
    return 0.584 if ord(c) < 128 else 0.667


def text_width(text):
    return sum(char_width(c) for c in text)


def multiply(a, b):
    """Affine matrices as (a, b, c, d, e, f): x' = a x + c y + e, y' = b x + d y + f."""
    return (a[0] * b[0] + a[2] * b[1], a[1] * b[0] + a[3] * b[1], a[0] * b[2] + a[2] * b[3],
            a[1] * b[2] + a[3] * b[3], a[0] * b[4] + a[2] * b[5] + a[4], a[1] * b[4] + a[3] * b[5] + a[5])


IDENTITY = (1, 0, 0, 1, 0, 0)


def parse_transform(text):
    matrix = IDENTITY
    for name, args in re.findall(r"(\w+)\s*\(([^)]*)\)", text or ""):
        values = [float(v) for v in re.split(r"[\s,]+", args.strip()) if v]
        if name == "translate":
            step = (1, 0, 0, 1, values[0], values[1] if len(values) > 1 else 0)
        elif name == "rotate":
            angle = math.radians(values[0])
            c, s = math.cos(angle), math.sin(angle)
            step = (c, s, -s, c, 0, 0)
            if len(values) == 3:
                cx, cy = values[1], values[2]
                step = multiply(multiply((1, 0, 0, 1, cx, cy), step), (1, 0, 0, 1, -cx, -cy))
        elif name == "scale":
            step = (values[0], 0, 0, values[1] if len(values) > 1 else values[0], 0, 0)
        else:
            raise ValueError("transform " + name)
        matrix = multiply(matrix, step)
    return matrix


def apply(m, x, y):
    return (m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5])


def walk(element, matrix, out, inside=()):
    """Collects (element, matrix, classes of the ancestors) for every element outside foreignObject."""
    matrix = multiply(matrix, parse_transform(element.get("transform")))
    tag = element.tag.replace(SVG, "")
    out.append((element, tag, matrix, inside))
    if tag == "foreignObject":
        return
    classes = inside + tuple((element.get("class") or "").split())
    for child in element:
        walk(child, matrix, out, classes)


def text_box(element, matrix):
    size = float(element.get("font-size"))
    content = "".join(element.itertext())
    width = text_width(content) * size
    x, y = float(element.get("x", 0)), float(element.get("y", 0))
    anchor = element.get("text-anchor", "start")
    left = x if anchor == "start" else x - width / 2 if anchor == "middle" else x - width
    corners = [(left, y - ASCENT * size), (left + width, y - ASCENT * size), (left + width, y + DESCENT * size),
               (left, y + DESCENT * size)]
    return content, [apply(matrix, px, py) for px, py in corners]


def separated(p, q):
    """True when a line separates the convex polygons p and q (touching counts as apart)."""
    for polygon in (p, q):
        for i in range(len(polygon)):
            (x1, y1), (x2, y2) = polygon[i], polygon[(i + 1) % len(polygon)]
            nx, ny = y1 - y2, x2 - x1
            a = [nx * x + ny * y for x, y in p]
            b = [nx * x + ny * y for x, y in q]
            tolerance = 1e-6 * (abs(nx) + abs(ny)) * max(1.0, max(abs(v) for v in a + b) / (abs(nx) + abs(ny) + 1e-12))
            if max(a) <= min(b) + tolerance or max(b) <= min(a) + tolerance:
                return True
    return False


def contains(polygon, x, y):
    sides = [(x2 - x1) * (y - y1) - (y2 - y1) * (x - x1) for (x1, y1), (x2, y2) in zip(polygon, polygon[1:] + polygon[:1])]
    return all(v >= 0 for v in sides) or all(v <= 0 for v in sides)


def circle_meets(polygon, cx, cy, r):
    if contains(polygon, cx, cy):
        return True
    for (x1, y1), (x2, y2) in zip(polygon, polygon[1:] + polygon[:1]):
        dx, dy = x2 - x1, y2 - y1
        t = max(0.0, min(1.0, ((cx - x1) * dx + (cy - y1) * dy) / (dx * dx + dy * dy or 1)))
        if math.hypot(x1 + t * dx - cx, y1 + t * dy - cy) < r * 0.999:
            return True
    return False


def centre(polygon):
    return (sum(x for x, _ in polygon) / len(polygon), sum(y for _, y in polygon) / len(polygon))


def check_layout(path, root):
    faults = []
    items = []
    walk(root, IDENTITY, items)
    texts, nodes, network_top = [], [], None
    for element, tag, matrix, classes in items:
        own = (element.get("class") or "").split()
        if tag == "text":
            content, box = text_box(element, matrix)
            texts.append((content, box, own, classes))
        elif tag in ("circle", "rect") and "node" in own and "legend" not in classes:
            if tag == "circle":
                cx, cy = apply(matrix, float(element.get("cx")), float(element.get("cy")))
                nodes.append(("circle", (cx, cy, float(element.get("r")))))
            else:
                x, y = float(element.get("x")), float(element.get("y"))
                w, h = float(element.get("width")), float(element.get("height"))
                nodes.append(("rect", [apply(matrix, *p) for p in ((x, y), (x + w, y), (x + w, y + h), (x, y + h))]))
        if "network" in classes and tag in ("line", "polyline", "polygon", "circle", "rect", "path"):
            for value in re.findall(r"-?\d+(?:\.\d+)?,(-?\d+(?:\.\d+)?)", element.get("points") or element.get("d") or ""):
                network_top = float(value) if network_top is None else min(network_top, float(value))
    # Sweep along x: only texts whose x ranges meet can overlap.
    spans = sorted(range(len(texts)), key=lambda k: min(x for x, _ in texts[k][1]))
    active = []
    for k in spans:
        left = min(x for x, _ in texts[k][1])
        active = [a for a in active if max(x for x, _ in texts[a][1]) > left]
        for a in active:
            i, j = min(a, k), max(a, k)
            if not separated(texts[i][1], texts[j][1]):
                faults.append("OVERLAP %s %r %r" % (path, texts[i][0], texts[j][0]))
        active.append(k)
    for content, box, own, classes in texts:
        if "legend" in classes:
            continue
        cx, cy = centre(box)
        for kind, shape in nodes:
            if kind == "circle":
                numbered = "number" in own and math.hypot(cx - shape[0], cy - shape[1]) < shape[2]
                hit = circle_meets(box, *shape)
            else:
                numbered = "number" in own and contains(shape, cx, cy)
                hit = not separated(box, shape)
            if hit and not numbered:
                faults.append("ON-JUNCTION %s %r" % (path, content))
    heading = [box for content, box, own, classes in texts if "heading" in classes]
    if not heading:
        faults.append("NO-HEADING %s" % path)
    elif network_top is not None and max(y for box in heading for _, y in box) > network_top:
        faults.append("HEADING-OVER-NETWORK %s" % path)
    if not any("legend" in classes for _, _, _, classes in texts):
        faults.append("NO-LEGEND %s" % path)
    if not any("scale" in classes and content.endswith(" m") for content, _, _, classes in texts):
        faults.append("NO-SCALE-BAR %s" % path)
    for fault in faults:
        print(fault)
    return not faults, len(texts)


def check(path, layout):
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError as error:
        print("PARSE-ERROR", path, error)
        return False
    if root.tag != SVG + "svg":
        print("NOT-SVG", path, root.tag)
        return False
    counts = {}
    for element in root.iter():
        name = element.tag.replace(SVG, "")
        counts[name] = counts.get(name, 0) + 1
    if layout:
        good, texts = check_layout(path, root)
        if not good:
            return False
    print("OK", path, " ".join("%s=%d" % item for item in sorted(counts.items())))
    return True


if __name__ == "__main__":
    arguments = sys.argv[1:]
    layout = "--layout" in arguments
    paths = [a for a in arguments if a != "--layout"]
    results = [check(path, layout) for path in paths]
    sys.exit(0 if results and all(results) else 1)

"""Parses each SVG picture given as XML. Prints "OK <file> <elements>" per picture, or the
parser's error, and exits with 1 when any picture fails."""
import sys
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"


def check(path):
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
    print("OK", path, " ".join("%s=%d" % item for item in sorted(counts.items())))
    return True


if __name__ == "__main__":
    results = [check(path) for path in sys.argv[1:]]
    sys.exit(0 if results and all(results) else 1)

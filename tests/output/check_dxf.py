"""Reads each DXF drawing given with ezdxf and audits it. Prints one line per drawing,
"OK <file> <entities>" or the audit's errors, and exits with 1 when any drawing fails."""
import sys

import ezdxf


def check(path):
    try:
        doc = ezdxf.readfile(path)
    except Exception as error:  # the reader's own complaint is the message we want
        print("READ-ERROR", path, type(error).__name__, error)
        return False
    auditor = doc.audit()
    if auditor.has_errors:
        for error in auditor.errors:
            print("AUDIT-ERROR", path, error.code, error.message)
        return False
    entities = list(doc.modelspace())
    layers = sorted(layer.dxf.name for layer in doc.layers)
    fixes = ["%s: %s" % (fix.code, fix.message) for fix in auditor.fixes]
    print("OK", path, len(entities), "layers=" + ",".join(layers), "fixes=%d" % len(fixes))
    for fix in fixes:
        print("  fixed", fix)
    return True


if __name__ == "__main__":
    results = [check(path) for path in sys.argv[1:]]
    sys.exit(0 if results and all(results) else 1)

// QorDxf: the network drawing. The SATURN links behind the network, every TRANSYT link as an
// offset movement arrow with its number, flows and results, the street names, the nodes with
// their numbers, a frame, the title and a credit line, written as a DXF file and, beside it,
// the same drawing as an SVG picture.
#pragma once

#include <array>
#include <string>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "output/drawing.h"

namespace veltra {

// Draws network position r into `fileName` (a ".dxf" name) and its picture beside it. Marks
// the drawn nodes and numbers the links' drawing positions. The iteration (0: not known)
// only heads the picture. Returns a warning ("ATENCION: ...") when the nodes' coordinates
// cannot be those of a street network (hundreds of kilometres across, or all in one point);
// the drawing is made all the same, scaled to its links. Empty otherwise.
std::string DibujarRed(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor,
                       const std::string& fileName, int iteration = 0);
// The same drawing onto the targets of `drawing` (opened under `fileName`).
std::string DrawNetwork(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, Drawing& drawing,
                        const std::string& fileName, int iteration = 0);

// Gives every link its IndiceDibujo: links sharing NodoA and NodoB are numbered 1, 2, ... in
// the order of their last digit ranked 8, 5, 2, 7, 4, 1, 6, 3, 0, 9, then of their number.
void NumerarDibujo(QorVars& qor);

// The drawing routines of one link from A to B, at offset position n of width w (the link's
// IndiceDibujo and 6 x FactorAjuste). Presence flags and values are per direction class -1, 0, 1.
// Links between coinciding nodes draw nothing.
void MovementArrows(Drawing& drawing, const std::string& layer, DrawPoint a, DrawPoint b, double w, int n,
                    const std::array<int32_t, 3>& presence);
void MovementValues(Drawing& drawing, const std::string& layer, DrawPoint a, DrawPoint b, double w, int n,
                    const std::array<int32_t, 3>& presence, const std::array<float, 3>& values);
// A text with justification 4 at h x P30 + (1 - h) x P80 of the link's offset 30% and 80% points.
void TextAlongLink(Drawing& drawing, const std::string& layer, int rotation, double h, const std::string& text,
                   DrawPoint a, DrawPoint b, double w, int n);

}  // namespace veltra

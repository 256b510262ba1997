// Label placing for the network picture: boxes in drawing units (Y up), the space that junction
// marks, lines and placed labels take, and the first free spot among a label's candidates.
// Everything here is deterministic: the same calls in the same order give the same places.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

#include "output/drawing.h"

namespace veltra {

struct LabelBox {
  double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;

  static LabelBox Around(DrawPoint centre, double halfWidth, double halfHeight) {
    return {centre.X - halfWidth, centre.Y - halfHeight, centre.X + halfWidth, centre.Y + halfHeight};
  }
  // Boxes that only touch do not overlap.
  bool Overlaps(const LabelBox& other) const {
    return MinX < other.MaxX && other.MinX < MaxX && MinY < other.MaxY && other.MinY < MaxY;
  }
  LabelBox Grown(double margin) const { return {MinX - margin, MinY - margin, MaxX + margin, MaxY + margin}; }
};

// True when the segment from a to b passes through the inside of the box.
bool SegmentCrossesBox(DrawPoint a, DrawPoint b, const LabelBox& box);

// Width of a text in the picture's sans-serif font, in font sizes (ems): the advance widths of
// Arial, which the picture asks for, by kind of character.
double TextWidthEm(const std::string& utf8);

// The taken space of one picture. Lookups go through a grid of square cells, so that a network
// of thousands of labels is placed in about linear time.
class LabelSpace {
 public:
  explicit LabelSpace(double cellSize);

  void TakeBox(const LabelBox& box);
  void TakeSegment(DrawPoint a, DrawPoint b);
  bool IsFree(const LabelBox& box) const;
  // Takes the first free candidate and returns its index; when none is free, takes the first
  // candidate and returns candidates.size().
  size_t Place(const std::vector<LabelBox>& candidates);

 private:
  static constexpr double kMaxCellsASide = 200;
  // Calls visit(cell) for every grid cell the box touches; false, without a call, when the box
  // spans too many cells to be filed by cell.
  template <class Visit>
  bool ForCells(const LabelBox& box, Visit visit) const;

  double cell_;
  std::vector<LabelBox> boxes_;
  std::vector<std::pair<DrawPoint, DrawPoint>> segments_;
  std::vector<size_t> wideBoxes_, longSegments_;  // not filed by cell
  struct CellHash {
    size_t operator()(const std::pair<long long, long long>& cell) const {
      return std::hash<long long>()(cell.first * 1000003LL + cell.second);
    }
  };
  std::unordered_map<std::pair<long long, long long>, std::vector<size_t>, CellHash> boxCells_, segmentCells_;
};

}  // namespace veltra

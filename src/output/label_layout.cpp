#include "output/label_layout.h"

#include <algorithm>
#include <cmath>

namespace veltra {

bool SegmentCrossesBox(DrawPoint a, DrawPoint b, const LabelBox& box) {
  // Liang-Barsky clipping of the segment against the open box.
  double t0 = 0, t1 = 1;
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.X - box.MinX, box.MaxX - a.X, a.Y - box.MinY, box.MaxY - a.Y};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] <= 0) return false;  // parallel to this side and outside it (or on it)
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 >= t1) return false;
  }
  return true;
}

double TextWidthEm(const std::string& utf8) {
  double width = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xC0) == 0x80) continue;  // continuation byte of a character already counted
    if (c >= 0x80) {
      width += 0.667;  // accented letters and signs: as wide as a capital
    } else if (c >= '0' && c <= '9') {
      width += 0.556;
    } else if (c == 'M' || c == 'W' || c == 'm' || c == 'w') {
      width += c == 'W' ? 0.944 : 0.833;
    } else if (c >= 'A' && c <= 'Z') {
      width += 0.722;
    } else if (c == 'i' || c == 'j' || c == 'l') {
      width += 0.222;
    } else if (c == 'f' || c == 't' || c == 'r') {
      width += 0.333;
    } else if (c >= 'a' && c <= 'z') {
      width += 0.556;
    } else if (c == ' ' || c == '.' || c == ',' || c == '/' || c == ':' || c == ';' || c == '!' || c == '|') {
      width += 0.278;
    } else if (c == '(' || c == ')' || c == '-' || c == '[' || c == ']') {
      width += 0.333;
    } else {
      width += 0.584;  // other signs: =, +, <, >, %, &, ...
    }
  }
  return width;
}

LabelSpace::LabelSpace(double cellSize) : cell_(cellSize > 0 && std::isfinite(cellSize) ? cellSize : 1.0) {}

template <class Visit>
bool LabelSpace::ForCells(const LabelBox& box, Visit visit) const {
  auto index = [&](double v) { return std::floor(v / cell_); };
  const double x0 = index(box.MinX), x1 = index(box.MaxX), y0 = index(box.MinY), y1 = index(box.MaxY);
  // Boxes and segments spanning many cells (a line across the whole picture) are kept apart
  // and always checked: they are few.
  if (!(x1 - x0 <= kMaxCellsASide && y1 - y0 <= kMaxCellsASide)) return false;
  for (double x = x0; x <= x1; ++x)
    for (double y = y0; y <= y1; ++y) visit(std::make_pair(static_cast<long long>(x), static_cast<long long>(y)));
  return true;
}

void LabelSpace::TakeBox(const LabelBox& box) {
  boxes_.push_back(box);
  const size_t k = boxes_.size() - 1;
  if (!ForCells(box, [&](std::pair<long long, long long> key) { boxCells_[key].push_back(k); })) wideBoxes_.push_back(k);
}

void LabelSpace::TakeSegment(DrawPoint a, DrawPoint b) {
  if (!std::isfinite(a.X) || !std::isfinite(a.Y) || !std::isfinite(b.X) || !std::isfinite(b.Y)) return;
  segments_.emplace_back(a, b);
  const size_t k = segments_.size() - 1;
  const LabelBox bounds{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
  if (!ForCells(bounds, [&](std::pair<long long, long long> key) { segmentCells_[key].push_back(k); }))
    longSegments_.push_back(k);
}

bool LabelSpace::IsFree(const LabelBox& box) const {
  if (!std::isfinite(box.MinX) || !std::isfinite(box.MinY) || !std::isfinite(box.MaxX) || !std::isfinite(box.MaxY))
    return false;
  auto boxFree = [&](size_t k) { return !boxes_[k].Overlaps(box); };
  auto segmentFree = [&](size_t k) { return !SegmentCrossesBox(segments_[k].first, segments_[k].second, box); };
  bool free = true;
  const bool filed = ForCells(box, [&](std::pair<long long, long long> key) {
    if (!free) return;
    auto boxes = boxCells_.find(key);
    if (boxes != boxCells_.end())
      for (size_t k : boxes->second) free = free && boxFree(k);
    auto segments = segmentCells_.find(key);
    if (segments != segmentCells_.end())
      for (size_t k : segments->second) free = free && segmentFree(k);
  });
  if (!filed) {
    // A box too wide for the grid is checked against everything.
    for (size_t k = 0; k < boxes_.size(); ++k) free = free && boxFree(k);
    for (size_t k = 0; k < segments_.size(); ++k) free = free && segmentFree(k);
    return free;
  }
  for (size_t k : wideBoxes_) free = free && boxFree(k);
  for (size_t k : longSegments_) free = free && segmentFree(k);
  return free;
}

size_t LabelSpace::Place(const std::vector<LabelBox>& candidates) {
  if (candidates.empty()) return 0;
  for (size_t k = 0; k < candidates.size(); ++k) {
    if (IsFree(candidates[k])) {
      TakeBox(candidates[k]);
      return k;
    }
  }
  TakeBox(candidates.front());
  return candidates.size();
}

}  // namespace veltra

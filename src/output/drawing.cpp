#include "output/drawing.h"

#include <cmath>

namespace veltra {

std::array<DrawPoint, 4> ArrowheadCorners(int direction, double size, double x, double y) {
  const double pi = 3.14159265358979323846;
  const double theta = direction * pi / 1800.0;
  const double half = pi / 12.0;  // half the 30-degree opening
  const double notch = size * (std::cos(half) - std::sin(half));
  return {DrawPoint{x, y}, DrawPoint{x - size * std::cos(theta + half), y - size * std::sin(theta + half)},
          DrawPoint{x - size * std::cos(theta - half), y - size * std::sin(theta - half)},
          DrawPoint{x - notch * std::cos(theta), y - notch * std::sin(theta)}};
}

void Drawing::Open(const std::string& fileName) {
  State = DrawState();
  for (DrawingTarget* t : targets_) t->Open(fileName);
}

void Drawing::Close() {
  for (DrawingTarget* t : targets_) t->Close();
}

void Drawing::BeginSection(const std::string& name) {
  for (DrawingTarget* t : targets_) t->BeginSection(name);
}

void Drawing::EndSection() {
  for (DrawingTarget* t : targets_) t->EndSection();
}

void Drawing::ExtentsMinimum(double x, double y) {
  for (DrawingTarget* t : targets_) t->ExtentsMinimum(x, y);
}

void Drawing::ExtentsMaximum(double x, double y) {
  for (DrawingTarget* t : targets_) t->ExtentsMaximum(x, y);
}

void Drawing::ViewportTable(double x1, double y1, double x2, double y2) {
  for (DrawingTarget* t : targets_) t->ViewportTable(x1, y1, x2, y2);
}

void Drawing::LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                            const std::vector<double>& dashes, const std::vector<double>& gaps) {
  for (DrawingTarget* t : targets_) t->LinetypeTable(names, patterns, dashes, gaps);
}

void Drawing::LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                         const std::vector<bool>& on) {
  for (DrawingTarget* t : targets_) t->LayerTable(names, colours, on);
}

void Drawing::StyleTable(const std::vector<std::string>& names, const std::vector<std::string>& fonts) {
  for (DrawingTarget* t : targets_) t->StyleTable(names, fonts);
}

void Drawing::Line(const std::string& layer, double x1, double y1, double x2, double y2) {
  for (DrawingTarget* t : targets_) t->Line(State, layer, x1, y1, x2, y2);
}

void Drawing::Polyline(const std::string& layer, const std::vector<DrawPoint>& points, int flags) {
  for (DrawingTarget* t : targets_) t->Polyline(State, layer, points, flags);
}

void Drawing::Circle(const std::string& layer, double x, double y, double radius) {
  for (DrawingTarget* t : targets_) t->Circle(State, layer, x, y, radius);
}

void Drawing::Text(const std::string& layer, int rotation, const std::string& text, double x, double y,
                   int justification) {
  for (DrawingTarget* t : targets_) {
    if (State.For == (t->IsPicture() ? DrawFor::FileOnly : DrawFor::PictureOnly)) continue;
    t->Text(State, layer, rotation, text, x, y, justification);
  }
}

void Drawing::Arrowhead(const std::string& layer, int direction, double size, double x, double y) {
  const std::array<DrawPoint, 4> corners = ArrowheadCorners(direction, size, x, y);
  for (DrawingTarget* t : targets_) t->Solid(State, layer, corners);
}

void Drawing::Caption(const DrawingCaption& caption) {
  for (DrawingTarget* t : targets_) t->Caption(caption);
}

}  // namespace veltra

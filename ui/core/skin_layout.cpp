#include "ui/core/skin_layout.h"

namespace quillmar {
namespace {

// Finds up to two marker positions along one edge of the image.
int ScanEdge(int length, const std::function<std::uint32_t(int)>& pixelAt, int (&found)[2]) {
  int count = 0;
  for (int i = 0; i < length && count < 2; ++i) {
    if (pixelAt(i) == SkinLayout::kMarkerColor) found[count++] = i;
  }
  return count;
}

float F(int value) { return static_cast<float>(value); }

void AddSlice(std::vector<SkinSlice>& slices, Rect source, RectF dest, bool tiled) {
  // A piece with no source pixels or no room draws nothing; a negative
  // destination size would mirror the piece instead.
  if (source.width <= 0 || source.height <= 0 || dest.width <= 0 || dest.height <= 0) return;
  slices.push_back({source, dest, tiled});
}

// Cuts a..b along an image side of `length` pixels split it into three parts.
bool ValidCuts(int a, int b, int length) { return a >= 0 && a < b && b < length; }

}  // namespace

std::optional<SkinCuts> SkinLayout::ScanMarkers(int width, int height,
                                                const std::function<std::uint32_t(int, int)>& pixelAt) {
  if (width <= 0 || height <= 0) return std::nullopt;
  int columns[2] = {0, 0};
  int rows[2] = {0, 0};
  const int columnCount = ScanEdge(
      width, [&](int x) { return pixelAt(x, 0); }, columns);
  const int rowCount = ScanEdge(
      height, [&](int y) { return pixelAt(0, y); }, rows);
  SkinCuts cuts;
  if (columnCount == 0 && rowCount == 0) {
    cuts.cutLeft = cuts.cutRight = cuts.cutTop = cuts.cutBottom = 0;
    return cuts;
  }
  if (columnCount == 1 || rowCount == 1) return std::nullopt;
  if (columnCount == 2) {
    cuts.cutLeft = columns[0];
    cuts.cutRight = columns[1];
  }
  if (rowCount == 2) {
    cuts.cutTop = rows[0];
    cuts.cutBottom = rows[1];
  }
  return cuts;
}

std::optional<std::vector<SkinSlice>> SkinLayout::PlanSlices(int width, int height, RectF rect, const SkinCuts& cuts) {
  const int horizontal = (cuts.cutLeft ? 1 : 0) + (cuts.cutRight ? 1 : 0);
  const int vertical = (cuts.cutTop ? 1 : 0) + (cuts.cutBottom ? 1 : 0);
  if (horizontal == 1 || vertical == 1 || horizontal + vertical == 0) return std::nullopt;
  if (width <= 0 || height <= 0) return std::nullopt;

  const float x = rect.x;
  const float y = rect.y;
  std::vector<SkinSlice> slices;

  if (horizontal == 2 && vertical == 2 && *cuts.cutLeft == 0 && *cuts.cutRight == 0 && *cuts.cutTop == 0 &&
      *cuts.cutBottom == 0) {
    AddSlice(slices, {0, 0, width, height}, rect, false);
    return slices;
  }

  const int l = cuts.cutLeft.value_or(0);
  const int r = cuts.cutRight.value_or(0);
  const int t = cuts.cutTop.value_or(0);
  const int b = cuts.cutBottom.value_or(0);
  // Cuts outside the image or out of order would read past the image or
  // draw pieces of negative size.
  if (horizontal == 2 && !ValidCuts(l, r, width)) return std::nullopt;
  if (vertical == 2 && !ValidCuts(t, b, height)) return std::nullopt;

  const int middleWidth = r - l - 1;
  const int rightWidth = width - r - 1;
  const int middleHeight = b - t - 1;
  const int bottomHeight = height - b - 1;
  const float rightX = x + rect.width - F(rightWidth);
  const float bottomY = y + rect.height - F(bottomHeight);

  if (vertical == 0) {
    const float h = F(height);
    AddSlice(slices, {0, 0, l, height}, {x, y, F(l), h}, false);
    AddSlice(slices, {l + 1, 0, middleWidth, height}, {x + F(l), y, rect.width - F(l) - F(rightWidth), h}, true);
    AddSlice(slices, {r + 1, 0, rightWidth, height}, {rightX, y, F(rightWidth), h}, false);
    return slices;
  }
  if (horizontal == 0) {
    const float w = F(width);
    AddSlice(slices, {0, 0, width, t}, {x, y, w, F(t)}, false);
    AddSlice(slices, {0, t + 1, width, middleHeight}, {x, y + F(t), w, rect.height - F(t) - F(bottomHeight)}, true);
    AddSlice(slices, {0, b + 1, width, bottomHeight}, {x, bottomY, w, F(bottomHeight)}, false);
    return slices;
  }

  const float mw = rect.width - F(l) - F(rightWidth);
  const float mh = rect.height - F(t) - F(bottomHeight);
  // Corners at natural size.
  AddSlice(slices, {0, 0, l, t}, {x, y, F(l), F(t)}, false);
  AddSlice(slices, {r + 1, 0, rightWidth, t}, {rightX, y, F(rightWidth), F(t)}, false);
  AddSlice(slices, {0, b + 1, l, bottomHeight}, {x, bottomY, F(l), F(bottomHeight)}, false);
  AddSlice(slices, {r + 1, b + 1, rightWidth, bottomHeight}, {rightX, bottomY, F(rightWidth), F(bottomHeight)}, false);
  // Top and bottom edges, then left and right edges, then the centre: all tiled.
  AddSlice(slices, {l + 1, 0, middleWidth, t}, {x + F(l), y, mw, F(t)}, true);
  AddSlice(slices, {l + 1, b + 1, middleWidth, bottomHeight}, {x + F(l), bottomY, mw, F(bottomHeight)}, true);
  AddSlice(slices, {0, t + 1, l, middleHeight}, {x, y + F(t), F(l), mh}, true);
  AddSlice(slices, {r + 1, t + 1, rightWidth, middleHeight}, {rightX, y + F(t), F(rightWidth), mh}, true);
  AddSlice(slices, {l + 1, t + 1, middleWidth, middleHeight}, {x + F(l), y + F(t), mw, mh}, true);
  return slices;
}

RectF SkinLayout::FitRect(float imageWidth, float imageHeight, float areaWidth, float areaHeight) {
  double width = imageWidth;
  double height = imageHeight;
  if (imageWidth > 0 && imageHeight > 0) {
    const double ratio = width / height;
    if (width - areaWidth > 1e-7) {
      width = areaWidth;
      height = areaWidth / ratio;
    }
    if (height - areaHeight > 1e-7) {
      height = areaHeight;
      width = areaHeight * ratio;
    }
  } else {
    // An empty image has no aspect ratio; it stays empty, centred.
    width = 0;
    height = 0;
  }
  const double x = areaWidth * 0.5 - width * 0.5;
  const double y = areaHeight * 0.5 - height * 0.5;
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(width), static_cast<float>(height)};
}

}  // namespace quillmar

// Lengths laid out for 96 dots per inch, scaled to the dots per inch of a monitor. The one place
// where the program's pixel arithmetic for display scaling lives; no windows here.
#pragma once

const int kBaseDpi = 96;

// A control's place in its parent: left, top, width, height.
struct TLayoutPlace {
  int left, top, width, height;
};

class TScale {
 public:
  // A scale for `dpi`; anything not positive counts as the base.
  explicit TScale(int dpi = kBaseDpi) : dpi_(dpi > 0 ? dpi : kBaseDpi) {}

  int Dpi() const { return dpi_; }
  bool IsBase() const { return dpi_ == kBaseDpi; }
  // A length of the 96-DPI layout at this scale, rounded to the nearest pixel.
  int Px(int length) const { return Convert(length, kBaseDpi, dpi_); }
  // A place {left, top, width, height} of the 96-DPI layout at this scale; each part is scaled
  // on its own, so that controls of one size stay of one size.
  TLayoutPlace Place(const TLayoutPlace& place) const {
    return {Px(place.left), Px(place.top), Px(place.width), Px(place.height)};
  }
  // A length measured at `fromDpi` brought to this scale (a window moving between monitors).
  int From(int length, int fromDpi) const { return Convert(length, fromDpi, dpi_); }
  // The character height (negative, as fonts take it) of a font of `points` points.
  int FontHeight(int points) const { return -Convert(points, 72, dpi_); }
  // The size in points of a font `height` pixels high (either sign) at this scale.
  int Points(int height) const { return Convert(height < 0 ? -height : height, dpi_, 72); }

  // value * to / from, rounded half away from zero; 0 when `from` is not positive.
  static int Convert(int value, int from, int to);

 private:
  int dpi_;
};

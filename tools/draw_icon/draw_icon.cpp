// Draws the Lumaweave application icon: a blue rounded square, a white "< >" with a yellow "/"
// between the brackets, and the word "HTML" in white below. The artwork is described once, in a
// 256-unit square, and rendered at every size by supersampling, so all images match.
//
// Usage: draw_icon PNG64_OUT ICO_OUT
//   PNG64_OUT  the 64 x 64 PNG that the page embeds as its own icon
//   ICO_OUT    the executable's icon: 256 x 256 as PNG, then 128, 64, 48, 32 and 16 as 32-bit
//              bitmaps with an AND mask, in that order
//
// The output depends only on this program and zlib, so a test can redraw both files and demand
// that they equal the committed ones.

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Colour {
  double r, g, b;
};

struct Point {
  double x, y;
};

// A stroke is a polyline of round-capped segments of one radius and colour.
struct Stroke {
  std::vector<Point> points;
  double radius;
  Colour colour;
};

const double artwork_size = 256.0;
const Colour white{255, 255, 255};
const Colour yellow{255, 202, 40};
const Colour blue_top{52, 132, 240};
const Colour blue_bottom{22, 90, 200};

// The rounded square leaves a small margin so the shadowless icon does not touch its edges.
const double square_low = 8.0;
const double square_high = 248.0;
const double square_corner = 48.0;

double distance_to_segment(Point p, Point a, Point b) {
  double dx = b.x - a.x;
  double dy = b.y - a.y;
  double length_squared = dx * dx + dy * dy;
  double t = length_squared > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length_squared : 0;
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  double ex = p.x - (a.x + t * dx);
  double ey = p.y - (a.y + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

bool stroke_covers(const Stroke& stroke, Point p) {
  for (std::size_t i = 0; i + 1 < stroke.points.size(); ++i) {
    if (distance_to_segment(p, stroke.points[i], stroke.points[i + 1]) <= stroke.radius) {
      return true;
    }
  }
  return false;
}

// Inside the square when within the corner radius of its inner rectangle.
bool square_covers(Point p) {
  const double inner_low = square_low + square_corner;
  const double inner_high = square_high - square_corner;
  double ex = p.x - std::clamp(p.x, inner_low, inner_high);
  double ey = p.y - std::clamp(p.y, inner_low, inner_high);
  return ex * ex + ey * ey <= square_corner * square_corner;
}

Colour square_colour(double y) {
  double t = (y - square_low) / (square_high - square_low);
  return {blue_top.r + (blue_bottom.r - blue_top.r) * t, blue_top.g + (blue_bottom.g - blue_top.g) * t,
          blue_top.b + (blue_bottom.b - blue_top.b) * t};
}

// The four letters of "HTML", drawn as strokes in equal boxes, centred below the brackets.
void add_word(std::vector<Stroke>& strokes) {
  const double radius = 7.0;
  const double top = 170.0;
  const double bottom = 222.0;
  const double width = 38.0;
  const double gap = 12.0;
  const double left = artwork_size / 2 - (4 * width + 3 * gap) / 2;
  double x = left;
  auto letter = [&](std::vector<std::vector<Point>> lines) {
    for (auto& line : lines) strokes.push_back({line, radius, white});
    x += width + gap;
  };
  double middle = (top + bottom) / 2;
  letter({{{x, top}, {x, bottom}}, {{x + width, top}, {x + width, bottom}}, {{x, middle}, {x + width, middle}}});
  letter({{{x, top}, {x + width, top}}, {{x + width / 2, top}, {x + width / 2, bottom}}});
  letter({{{x, bottom}, {x, top}, {x + width / 2, top + (bottom - top) * 0.62}, {x + width, top},
           {x + width, bottom}}});
  letter({{{x, top}, {x, bottom}, {x + width, bottom}}});
}

std::vector<Stroke> artwork_strokes() {
  std::vector<Stroke> strokes;
  strokes.push_back({{{100, 62}, {60, 98}, {100, 134}}, 11.0, white});
  strokes.push_back({{{156, 62}, {196, 98}, {156, 134}}, 11.0, white});
  strokes.push_back({{{142, 56}, {114, 140}}, 10.0, yellow});
  add_word(strokes);
  return strokes;
}

// The colour and opacity at one point of the artwork: the topmost shape wins.
bool sample(const std::vector<Stroke>& strokes, Point p, Colour& colour) {
  for (const Stroke& stroke : strokes) {
    if (stroke_covers(stroke, p)) {
      colour = stroke.colour;
      return true;
    }
  }
  if (square_covers(p)) {
    colour = square_colour(p.y);
    return true;
  }
  return false;
}

std::uint8_t to_byte(double value) {
  long rounded = std::lround(value);
  return static_cast<std::uint8_t>(rounded < 0 ? 0 : (rounded > 255 ? 255 : rounded));
}

// Straight (not premultiplied) RGBA rows, top row first, as PNG and icon bitmaps both expect.
Bytes render(int size) {
  const int grid = 8;
  const std::vector<Stroke> strokes = artwork_strokes();
  const double scale = artwork_size / size;
  Bytes pixels(static_cast<std::size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      double r = 0, g = 0, b = 0, covered = 0;
      for (int sy = 0; sy < grid; ++sy) {
        for (int sx = 0; sx < grid; ++sx) {
          Point p{(px + (sx + 0.5) / grid) * scale, (py + (sy + 0.5) / grid) * scale};
          Colour c{};
          if (!sample(strokes, p, c)) continue;
          r += c.r;
          g += c.g;
          b += c.b;
          covered += 1;
        }
      }
      std::uint8_t* out = &pixels[(static_cast<std::size_t>(py) * size + px) * 4];
      if (covered > 0) {
        out[0] = to_byte(r / covered);
        out[1] = to_byte(g / covered);
        out[2] = to_byte(b / covered);
        out[3] = to_byte(covered * 255.0 / (grid * grid));
      }
    }
  }
  return pixels;
}

void put_u16_le(Bytes& out, std::uint32_t value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}

void put_u32_le(Bytes& out, std::uint32_t value) {
  put_u16_le(out, value & 0xFFFF);
  put_u16_le(out, value >> 16);
}

void put_u32_be(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back((value >> shift) & 0xFF);
}

void put_png_chunk(Bytes& out, const char* type, const Bytes& data) {
  put_u32_be(out, static_cast<std::uint32_t>(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  put_u32_be(out, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

int paeth(int left, int up, int up_left) {
  int estimate = left + up - up_left;
  int to_left = std::abs(estimate - left);
  int to_up = std::abs(estimate - up);
  int to_up_left = std::abs(estimate - up_left);
  if (to_left <= to_up && to_left <= to_up_left) return left;
  return to_up <= to_up_left ? up : up_left;
}

// One filtered row: the filter that gives the smallest sum of signed residues, the usual
// heuristic that keeps the deflated image small.
Bytes filter_row(const std::uint8_t* row, const std::uint8_t* previous, std::size_t length) {
  Bytes best;
  long best_cost = -1;
  for (int filter = 0; filter <= 4; ++filter) {
    Bytes candidate{static_cast<std::uint8_t>(filter)};
    long cost = 0;
    for (std::size_t i = 0; i < length; ++i) {
      int left = i >= 4 ? row[i - 4] : 0;
      int up = previous ? previous[i] : 0;
      int up_left = (previous && i >= 4) ? previous[i - 4] : 0;
      int predicted = 0;
      if (filter == 1) predicted = left;
      if (filter == 2) predicted = up;
      if (filter == 3) predicted = (left + up) / 2;
      if (filter == 4) predicted = paeth(left, up, up_left);
      std::uint8_t residue = static_cast<std::uint8_t>(row[i] - predicted);
      candidate.push_back(residue);
      cost += residue < 128 ? residue : 256 - residue;
    }
    if (best_cost < 0 || cost < best_cost) {
      best = candidate;
      best_cost = cost;
    }
  }
  return best;
}

bool encode_png(const Bytes& pixels, int size, Bytes& png) {
  const std::size_t stride = static_cast<std::size_t>(size) * 4;
  Bytes raw;
  for (int y = 0; y < size; ++y) {
    const std::uint8_t* row = &pixels[y * stride];
    Bytes filtered = filter_row(row, y > 0 ? row - stride : nullptr, stride);
    raw.insert(raw.end(), filtered.begin(), filtered.end());
  }
  uLongf deflated_size = compressBound(static_cast<uLong>(raw.size()));
  Bytes deflated(deflated_size);
  if (compress2(deflated.data(), &deflated_size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
    return false;
  }
  deflated.resize(deflated_size);

  png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  put_u32_be(header, size);
  put_u32_be(header, size);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits per channel, RGBA, no interlace
  put_png_chunk(png, "IHDR", header);
  put_png_chunk(png, "IDAT", deflated);
  put_png_chunk(png, "IEND", {});
  return true;
}

// A 32-bit icon bitmap: header with doubled height, BGRA rows bottom-up, then the AND mask
// (one bit per pixel, set where the pixel is fully transparent, rows padded to 32 bits).
Bytes encode_icon_bitmap(const Bytes& pixels, int size) {
  const std::uint32_t mask_stride = ((size + 31) / 32) * 4;
  const std::uint32_t colour_bytes = static_cast<std::uint32_t>(size) * size * 4;
  Bytes out;
  put_u32_le(out, 40);
  put_u32_le(out, size);
  put_u32_le(out, size * 2);
  put_u16_le(out, 1);
  put_u16_le(out, 32);
  put_u32_le(out, 0);  // uncompressed
  put_u32_le(out, colour_bytes + mask_stride * size);
  for (int i = 0; i < 4; ++i) put_u32_le(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * size + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    Bytes row(mask_stride, 0);
    for (int x = 0; x < size; ++x) {
      if (pixels[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bool encode_icon(Bytes& ico) {
  const int sizes[] = {256, 128, 64, 48, 32, 16};
  const std::uint32_t count = sizeof sizes / sizeof sizes[0];
  std::vector<Bytes> images;
  for (int size : sizes) {
    Bytes pixels = render(size);
    Bytes image;
    if (size == 256) {
      if (!encode_png(pixels, size, image)) return false;
    } else {
      image = encode_icon_bitmap(pixels, size);
    }
    images.push_back(image);
  }
  ico.clear();
  put_u16_le(ico, 0);
  put_u16_le(ico, 1);  // icon, not cursor
  put_u16_le(ico, count);
  std::uint32_t offset = 6 + 16 * count;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t dimension = sizes[i] >= 256 ? 0 : static_cast<std::uint8_t>(sizes[i]);
    ico.insert(ico.end(), {dimension, dimension, 0, 0});
    put_u16_le(ico, 1);   // planes
    put_u16_le(ico, 32);  // bits per pixel
    put_u32_le(ico, static_cast<std::uint32_t>(images[i].size()));
    put_u32_le(ico, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const Bytes& image : images) ico.insert(ico.end(), image.begin(), image.end());
  return true;
}

bool write_file(const std::string& path, const Bytes& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: draw_icon PNG64_OUT ICO_OUT\n");
    return 2;
  }
  Bytes png;
  Bytes ico;
  if (!encode_png(render(64), 64, png) || !encode_icon(ico)) {
    std::fprintf(stderr, "draw_icon: compression failed\n");
    return 1;
  }
  if (!write_file(argv[1], png) || !write_file(argv[2], ico)) {
    std::fprintf(stderr, "draw_icon: cannot write %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}

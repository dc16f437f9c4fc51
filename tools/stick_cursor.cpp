#include "tools/stick_cursor.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace bw::tools {

namespace {

struct Rgb
{
    double r, g, b;
};

constexpr Rgb Outline{60.0, 34.0, 16.0};
constexpr Rgb Wood{226.0, 186.0, 128.0};
constexpr Rgb WoodShade{170.0, 122.0, 70.0};
constexpr Rgb Bead{244.0, 214.0, 164.0};

// The stick runs from the tip (top left) to the butt (bottom right).
constexpr double TipX = 4.2, TipY = 4.2;
constexpr double ButtX = 29.0, ButtY = 29.0;
constexpr double TipRadius = 1.2, ButtRadius = 2.4;
constexpr double BeadRadius = 2.1;
constexpr double OutlineWidth = 1.0;

struct Hit
{
    double along;  // 0 at the tip, 1 at the butt
    double across; // -1 .. 1 from one edge of the stick to the other
    bool stick;    // inside the shaft (else inside the bead, or nothing)
    bool bead;
};

/// Where point (x, y) lies on a stick grown by grow pixels.
Hit Locate(double x, double y, double grow)
{
    const double dx = ButtX - TipX;
    const double dy = ButtY - TipY;
    const double len2 = dx * dx + dy * dy;
    const double t = std::clamp(((x - TipX) * dx + (y - TipY) * dy) / len2, 0.0, 1.0);
    const double px = TipX + t * dx;
    const double py = TipY + t * dy;
    const double r = TipRadius + (ButtRadius - TipRadius) * t + grow;
    const double dist = std::hypot(x - px, y - py);
    // Signed distance across the shaft: positive on the lower left side.
    const double side = ((x - px) * -dy + (y - py) * dx) / std::sqrt(len2);
    Hit h{};
    h.along = t;
    h.across = std::clamp(side / r, -1.0, 1.0);
    h.stick = dist <= r;
    h.bead = std::hypot(x - (TipX - 1.2), y - (TipY - 1.2)) <= BeadRadius + grow;
    return h;
}

std::size_t PixelIndex(int x, int y)
{
    return static_cast<std::size_t>(y) * CursorSize + static_cast<std::size_t>(x);
}

std::uint32_t Pack(double a, const Rgb& c)
{
    auto byte = [](double v) {
        return static_cast<std::uint32_t>(std::lrint(std::clamp(v, 0.0, 255.0)));
    };
    return (byte(a * 255.0) << 24) | (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

Rgb Mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void PutLe16(std::vector<std::uint8_t>& out, int v)
{
    const auto u = static_cast<std::uint32_t>(v);
    out.push_back(static_cast<std::uint8_t>(u & 0xFFu));
    out.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFFu));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFFu));
    }
}

} // namespace

CursorImage DrawStick()
{
    CursorImage img{};
    constexpr int Sub = 4; // 4 x 4 samples per pixel for smooth edges
    for (int y = 0; y < CursorSize; ++y) {
        for (int x = 0; x < CursorSize; ++x) {
            int outer = 0;
            double r = 0.0, g = 0.0, b = 0.0;
            for (int sy = 0; sy < Sub; ++sy) {
                for (int sx = 0; sx < Sub; ++sx) {
                    const double fx = x + (sx + 0.5) / Sub;
                    const double fy = y + (sy + 0.5) / Sub;
                    const Hit in = Locate(fx, fy, 0.0);
                    const Hit out = Locate(fx, fy, OutlineWidth);
                    if (!out.stick && !out.bead) {
                        continue;
                    }
                    ++outer;
                    Rgb c = Outline;
                    if (in.bead) {
                        c = Bead;
                    } else if (in.stick) {
                        // Light from the upper right: the lower left edge is in shade. A
                        // darker grip band sits near the butt.
                        c = Mix(Wood, WoodShade, std::max(0.0, in.across) * 0.8);
                        if (in.along > 0.72 && in.along < 0.94) {
                            c = Mix(c, WoodShade, 0.55);
                        }
                    }
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            }
            if (outer == 0) {
                continue;
            }
            const Rgb avg{r / outer, g / outer, b / outer};
            img[PixelIndex(x, y)] = Pack(static_cast<double>(outer) / (Sub * Sub), avg);
        }
    }
    return img;
}

std::vector<std::uint8_t> EncodeCursor(const CursorImage& image, int hotX, int hotY)
{
    constexpr int HeaderBytes = 6 + 16;
    constexpr int InfoBytes = 40;
    constexpr int ColourBytes = CursorSize * CursorSize * 4;
    constexpr int MaskRowBytes = 4; // 32 bits, already a multiple of four bytes
    constexpr int MaskBytes = CursorSize * MaskRowBytes;
    std::vector<std::uint8_t> out;
    out.reserve(HeaderBytes + InfoBytes + ColourBytes + MaskBytes);

    // Directory: reserved, type 2 (cursor), one image.
    PutLe16(out, 0);
    PutLe16(out, 2);
    PutLe16(out, 1);
    // Directory entry: for cursors the planes and bit-count fields hold the hot spot.
    out.push_back(CursorSize);
    out.push_back(CursorSize);
    out.push_back(0); // colour count
    out.push_back(0); // reserved
    PutLe16(out, hotX);
    PutLe16(out, hotY);
    PutLe32(out, InfoBytes + ColourBytes + MaskBytes);
    PutLe32(out, HeaderBytes);

    // Bitmap header: the height counts the colour image and the mask together.
    PutLe32(out, InfoBytes);
    PutLe32(out, CursorSize);
    PutLe32(out, 2 * CursorSize);
    PutLe16(out, 1);  // planes
    PutLe16(out, 32); // bits per pixel
    PutLe32(out, 0);  // no compression
    PutLe32(out, ColourBytes + MaskBytes);
    PutLe32(out, 0);
    PutLe32(out, 0);
    PutLe32(out, 0);
    PutLe32(out, 0);

    // Colour rows bottom-up, each pixel blue, green, red, alpha.
    for (int y = CursorSize - 1; y >= 0; --y) {
        for (int x = 0; x < CursorSize; ++x) {
            PutLe32(out, image[PixelIndex(x, y)]);
        }
    }
    // AND mask rows bottom-up: a set bit leaves the screen as it is (transparent pixel).
    for (int y = CursorSize - 1; y >= 0; --y) {
        std::uint32_t bits = 0;
        for (int x = 0; x < CursorSize; ++x) {
            const std::uint32_t alpha = image[PixelIndex(x, y)] >> 24;
            if (alpha == 0) {
                bits |= 0x80000000u >> x;
            }
        }
        for (int i = 3; i >= 0; --i) {
            out.push_back(static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFFu));
        }
    }
    return out;
}

} // namespace bw::tools

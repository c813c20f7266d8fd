// Fonts rendered with FreeType and found with fontconfig (internal to
// kx_platform).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"

struct FT_FaceRec_;

namespace kxp::detail {

// A rendered character: coverage 0..255 per pixel (0 or 255 when monochrome).
struct Glyph {
    std::vector<std::uint8_t> coverage; // rows x width, top row first
    std::int32_t width = 0;
    std::int32_t rows = 0;
    std::int32_t left = 0; // from the pen to the first column
    std::int32_t top = 0;  // from the baseline up to the first row
    std::int32_t advance = 0;
};

struct FontRequest {
    std::int32_t height = 0; // > 0 cell height, < 0 em height, 0 default
    std::int32_t weight = 0;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    bool mono = false;
    std::string face;
};

class Font final : public GdiObject {
  public:
    // Null when no face can be loaded (or the height is beyond 4096 pixels).
    static std::unique_ptr<Font> open(const FontRequest& request);
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // The glyph of a Windows-1252 character code.
    const Glyph& glyph(std::uint8_t code);

    FontRequest request;
    bool stock = false;             // the default font of device contexts: never deleted
    std::int32_t ascent = 0;        // rows above the baseline
    std::int32_t descent = 0;       // rows below it; ascent + descent is the cell height
    std::int32_t underline_top = 0; // first row of the underline, below the baseline
    std::int32_t underline_rows = 1;
    std::int32_t strike_top = 0; // first row of the strike-out line, above the baseline
    std::int32_t strike_rows = 1;
    std::string file; // the face's file

  private:
    Font() = default;
    FT_FaceRec_* face_ = nullptr;
    bool embolden_ = false;
    bool oblique_ = false;
    std::array<std::unique_ptr<Glyph>, 256> glyphs_;
};

} // namespace kxp::detail

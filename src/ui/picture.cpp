#include "ui/picture.h"

#include "ui/property_table.h"

namespace qvx {

namespace {

uint32_t ReadLE(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

[[noreturn]] void NotABitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

}  // namespace

const TClassInfo& TPicture::StaticClassInfo() {
  static const TClassInfo info("TPicture", &TPersistent::StaticClassInfo(),
                               {
                                   IntProp("Width", &TPicture::Width, nullptr),
                                   IntProp("Height", &TPicture::Height, nullptr),
                               });
  return info;
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

void TPicture::SetPixels(int32_t width, int32_t height, std::vector<uint32_t> pixels) {
  if (width < 0 || height < 0 || width > MaxSide || height > MaxSide ||
      pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    NotABitmap();
  FWidth = pixels.empty() ? 0 : width;
  FHeight = pixels.empty() ? 0 : height;
  FPixels = std::move(pixels);
  Changed();
}

void TPicture::Clear() { SetPixels(0, 0, {}); }

// The file: a 14-byte header ("BM", file size, two reserved words, offset of the pixels), then
// an information header of at least 40 bytes (its size, width, height - negative for top row
// first -, planes, bits per pixel, compression, ...), then rows padded to four bytes, blue first.
void TPicture::LoadFromBitmapBytes(const std::string& b) {
  constexpr size_t kFileHeader = 14, kInfoHeader = 40;
  if (b.size() < kFileHeader + kInfoHeader || b[0] != 'B' || b[1] != 'M') NotABitmap();
  const uint32_t offBits = ReadLE(b, 10, 4);
  const uint32_t infoSize = ReadLE(b, 14, 4);
  const int32_t width = static_cast<int32_t>(ReadLE(b, 18, 4));
  const int32_t rawHeight = static_cast<int32_t>(ReadLE(b, 22, 4));
  const uint32_t planes = ReadLE(b, 26, 2);
  const uint32_t bits = ReadLE(b, 28, 2);
  const uint32_t compression = ReadLE(b, 30, 4);
  if (infoSize < kInfoHeader || infoSize > b.size() - kFileHeader || planes != 1) NotABitmap();
  // Uncompressed; 32-bit files may name their (standard) masks with compression 3.
  if (!(bits == 24 && compression == 0) && !(bits == 32 && (compression == 0 || compression == 3)))
    NotABitmap();
  if (rawHeight == INT32_MIN) NotABitmap();
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height == 0 || width > MaxSide || height > MaxSide) NotABitmap();
  const size_t bytesPerPixel = bits / 8;
  const size_t stride = (static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4;
  if (offBits < kFileHeader + infoSize || offBits > b.size() ||
      (b.size() - offBits) / stride < static_cast<size_t>(height))
    NotABitmap();

  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = offBits + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      const size_t p = row + static_cast<size_t>(x) * bytesPerPixel;
      pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          ReadLE(b, p, 3);
    }
  }
  SetPixels(width, height, std::move(pixels));
}

// TImage

const TClassInfo& TImage::StaticClassInfo() {
  static const TClassInfo info("TImage", &TControl::StaticClassInfo(),
                               {
                                   ObjectProp("Picture", &TImage::Picture),
                                   EnumProp("Stretch", &TImage::Stretch, &TImage::SetStretch),
                                   EnumProp("Center", &TImage::Center, &TImage::SetCenter),
                               });
  return info;
}

TImage::TImage(TComponent* owner) : TControl(owner), FPicture(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  FPicture->OnChange = [this] { Changed(TChange::Picture); };
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  Changed(TChange::Style);
}

void TImage::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  Changed(TChange::Style);
}

}  // namespace qvx

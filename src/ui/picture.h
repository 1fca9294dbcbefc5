#pragma once
// A picture held in memory as 32-bit pixels, and the control that shows one.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"

namespace qvx {

// Bytes that are not a bitmap this layer reads.
class EInvalidGraphic : public Exception {
  using Exception::Exception;
};

class TPicture : public TPersistent {
 public:
  // Bounds on what a bitmap file may declare, so a broken header cannot ask for gigabytes.
  static constexpr int32_t MaxSide = 8192;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  bool Empty() const { return FPixels.empty(); }
  // Top row first; each pixel 0x00RRGGBB.
  const std::vector<uint32_t>& Pixels() const { return FPixels; }

  // pixels must hold width * height values (each side 0..MaxSide), else EInvalidGraphic.
  void SetPixels(int32_t width, int32_t height, std::vector<uint32_t> pixels);
  // A Windows bitmap file's bytes: uncompressed, 24 or 32 bits per pixel, either row order.
  // EInvalidGraphic "Bitmap image is not valid" for anything else; the picture is then unchanged.
  void LoadFromBitmapBytes(const std::string& bytes);
  void Clear();

  std::function<void()> OnChange;

 private:
  void Changed();
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::vector<uint32_t> FPixels;
};

class TImage : public TControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TPicture* Picture() const { return FPicture.get(); }
  // Scales the picture to the control's size.
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  // Centres an unscaled picture in the control.
  bool Center() const { return FCenter; }
  void SetCenter(bool value);

 private:
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FCenter = false;
};

}  // namespace qvx

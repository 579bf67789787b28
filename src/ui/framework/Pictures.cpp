#include "ui/framework/Pictures.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

// The pictures are compiled into the program's library: register them
// before the first use, since nothing else refers to them.
static void RegisterPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace morvane::ui {
namespace {

// libjpeg's own error handler ends the process; this one jumps back to the
// decoder, which gives up on the picture.
struct JumpingErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
  auto *err = reinterpret_cast<JumpingErrorManager *>(cinfo->err);
  std::longjmp(err->back, 1);
}

// Warnings (corrupt data that the decoder can get past) are not errors of
// their own, but a picture with corrupt data is not worth showing either.
void WarningIsError(j_common_ptr cinfo, int level) {
  if (level < 0)
    JumpBack(cinfo);
}

// Kept free of C++ objects with destructors between setjmp and longjmp.
bool Decode(const unsigned char *data, unsigned long size, QImage *out) {
  jpeg_decompress_struct cinfo;
  JumpingErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpBack;
  err.pub.emit_message = WarningIsError;
  if (setjmp(err.back)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  *out = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                QImage::Format_RGB888);
  if (out->isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->scanLine(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

} // namespace

QImage DecodeJpeg(const QByteArray &data) {
  if (data.isEmpty())
    return {};
  QImage image;
  if (!Decode(reinterpret_cast<const unsigned char *>(data.constData()),
              static_cast<unsigned long>(data.size()), &image))
    return {};
  return image;
}

bool ShowPicture(QLabel *target, const QString &resourcePath, const QSize &bound) {
  static const bool registered = (RegisterPictureResources(), true);
  (void)registered;
  QFile file(resourcePath);
  QImage image;
  if (file.open(QIODevice::ReadOnly))
    image = DecodeJpeg(file.readAll());
  if (image.isNull()) {
    target->clear();
    return false;
  }
  if (bound.isValid() && (image.width() > bound.width() || image.height() > bound.height()))
    image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  target->setPixmap(QPixmap::fromImage(image));
  target->setScaledContents(false);
  return true;
}

} // namespace morvane::ui

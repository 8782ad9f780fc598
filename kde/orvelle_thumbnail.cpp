// KIO thumbnail plug-in: Hap movies get the core's picture of their middle frame, made in
// process; every other QuickTime or AVI file goes to the plug-in that served it before.
#include <KIO/ThumbnailCreator>
#include <KPluginFactory>
#include <QFile>
#include <QImage>

#include "core/thumbnail.h"
#include "kde/previous_thumbnailer.h"
#include "tools/file_source.h"

namespace orvelle {
namespace {

void ReleasePixels(void* pixels) {
  RgbaImage image{0, 0, static_cast<uint8_t*>(pixels)};
  ReleaseImage(&image);
}

}  // namespace

class OrvelleThumbnail : public KIO::ThumbnailCreator {
  Q_OBJECT

 public:
  OrvelleThumbnail(QObject* parent, const QVariantList& args) : ThumbnailCreator(parent, args) {}

  KIO::ThumbnailResult create(const KIO::ThumbnailRequest& request) override {
    // The core fits the picture into a square; the target is one in practice.
    const int size = qMin(request.targetSize().width(), request.targetSize().height());
    FileSource file;
    if (size <= 0 || !OpenFileSource(QFile::encodeName(request.url().toLocalFile()), &file)) {
      return KIO::ThumbnailResult::fail();
    }
    if (ProbeMovie(&file.source, nullptr) != ThumbOk) {
      CloseFileSource(&file);
      return previous_.create(request);
    }
    RgbaImage image{};
    const ThumbStatus decoded = DecodeThumbnail(&file.source, static_cast<uint32_t>(size), &image);
    CloseFileSource(&file);
    if (decoded != ThumbOk) return KIO::ThumbnailResult::fail();
    // The QImage takes the core's pixels over and hands them back to ReleaseImage.
    const QImage picture(image.pixels, static_cast<int>(image.width),
                         static_cast<int>(image.height), static_cast<int>(image.width) * 4,
                         QImage::Format_RGBA8888, &ReleasePixels, image.pixels);
    return KIO::ThumbnailResult::pass(picture);
  }

 private:
  PreviousThumbnailer previous_;
};

}  // namespace orvelle

K_PLUGIN_CLASS_WITH_JSON(orvelle::OrvelleThumbnail, "orvellethumbnail.json")

#include "orvelle_thumbnail.moc"

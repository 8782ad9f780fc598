// Previews asked of KIO's preview job and thumbnail worker as Dolphin asks them: Hap movies must
// get the pictures of `orvelle thumb`, every other movie exactly what ffmpegthumbs alone gives it.
//   preview_test ORVELLE MOVIE-DIR   (the synthetic movies in MOVIE-DIR/synthetic)
#include <KFileItem>
#include <KIO/PreviewJob>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>

namespace {

constexpr int kSize = 256;

// The preview, premultiplied as every pixmap is; a null image when the job failed.
QImage Preview(const QString& path, const QStringList& plugins) {
  KIO::PreviewJob* job = KIO::filePreview(KFileItemList{KFileItem(QUrl::fromLocalFile(path))},
                                          QSize(kSize, kSize), &plugins);
  job->setScaleType(KIO::PreviewJob::Scaled);  // no cache: every request reaches the plug-ins
  QImage preview;
  QObject::connect(job, &KIO::PreviewJob::gotPreview, [&](const KFileItem&, const QPixmap& p) {
    preview = p.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  });
  QEventLoop loop;
  QObject::connect(job, &KJob::result, &loop, &QEventLoop::quit);
  loop.exec();
  return preview;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  // A throwaway home: KIO's worker, its socket and KDE's configuration all land there.
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                           "XDG_RUNTIME_DIR"}) {
    qputenv(name, QFile::encodeName(home.filePath(QString::fromLatin1(name))));
  }
  QApplication app(argc, argv);
  const QString orvelle = QString::fromLocal8Bit(argv[1]);
  const QDir movies(QString::fromLocal8Bit(argv[2]));
  const std::pair<const char*, bool> cases[] = {  // movie, whether it is a Hap movie
      {"hap1_640x360.mov", true}, {"hap5_320x240.avi", true},
      {"synthetic/hap7_synthetic_102x58.mov", true}, {"h264_320x240.mov", false},
      {"h264_320x240.avi", false}};
  int failures = 0;
  for (const auto& [name, hap] : cases) {
    const QString movie = movies.filePath(QString::fromLatin1(name));
    const QString png = home.filePath("thumb.png");
    QImage expected;
    if (!hap) {
      expected = Preview(movie, {"ffmpegthumbs"});
    } else if (QProcess::execute(orvelle, {"thumb", "-s", QString::number(kSize), movie, png}) == 0) {
      expected = QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    const QImage actual = Preview(movie, {"orvellethumbnail", "ffmpegthumbs"});
    const bool ok = !expected.isNull() && actual == expected;
    std::printf("%s %s (%dx%d)\n", ok ? "ok  " : "FAIL", name, actual.width(), actual.height());
    failures += ok ? 0 : 1;
  }
  std::printf("kde previews: %d failed\n", failures);
  return failures == 0 ? 0 : 1;
}

// Previews asked of KIO as Dolphin asks them, through the preview job and KIO's thumbnail
// worker: Hap movies must get the pictures of `orvelle thumb`, every other movie exactly
// what ffmpegthumbs alone gives it.
//   preview_test ORVELLE MOVIE-DIR SYNTHETIC-MOVIE-DIR
#include <KFileItem>
#include <KIO/PreviewJob>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kSize = 256;
const QStringList kBoth{QStringLiteral("orvellethumbnail"), QStringLiteral("ffmpegthumbs")};
const QStringList kFfmpegOnly{QStringLiteral("ffmpegthumbs")};

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

QImage OrvelleThumb(const QString& orvelle, const QString& movie, const QString& png) {
  const int status = QProcess::execute(
      orvelle, {QStringLiteral("thumb"), QStringLiteral("-s"), QString::number(kSize), movie, png});
  return status == 0 ? QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied) : QImage();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  // A throwaway home: KIO's worker, its socket and KDE's configuration all land there.
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
    const QString dir = home.filePath(QString::fromLatin1(name));
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv(name, QFile::encodeName(dir));
  }
  QApplication app(argc, argv);
  const QString orvelle = QString::fromLocal8Bit(argv[1]);
  const QString movies = QString::fromLocal8Bit(argv[2]);
  const QString synthetic = QString::fromLocal8Bit(argv[3]);
  const struct {
    QString movie;
    bool hap;
  } cases[] = {
      {movies + "/hap1_640x360.mov", true},
      {movies + "/hap5_320x240.avi", true},
      {synthetic + "/hap7_synthetic_102x58.mov", true},
      {movies + "/h264_320x240.mov", false},
      {movies + "/h264_320x240.avi", false},
  };
  int failures = 0;
  for (const auto& c : cases) {
    const QImage expected = c.hap ? OrvelleThumb(orvelle, c.movie, home.filePath("thumb.png"))
                                  : Preview(c.movie, kFfmpegOnly);
    const QImage actual = Preview(c.movie, kBoth);
    const bool ok = !expected.isNull() && actual == expected;
    std::printf("%s %s: %dx%d, expected %dx%d (%s)\n", ok ? "ok  " : "FAIL", qPrintable(c.movie),
                actual.width(), actual.height(), expected.width(), expected.height(),
                c.hap ? "orvelle thumb" : "ffmpegthumbs alone");
    failures += ok ? 0 : 1;
  }
  std::printf("kde previews: %d failed\n", failures);
  return failures == 0 ? 0 : 1;
}

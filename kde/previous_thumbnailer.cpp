#include "kde/previous_thumbnailer.h"

#include <QImage>
#include <QLibrary>
#include <QMimeDatabase>
#include <QPluginLoader>
#include <QSize>

#include <KIO/PreviewJob>
#include <KIO/ThumbCreator>
#include <KIO/ThumbDevicePixelRatioDependentCreator>
#include <KIO/ThumbSequenceCreator>
#include <KPluginFactory>
#include <KPluginMetaData>

// Debian 12's ffmpegthumbs is a plug-in of the older interface, which KIO marks deprecated
// but still loads; so must this hand-off.
QT_WARNING_DISABLE_DEPRECATED

namespace orvelle {
namespace {

const QLatin1String kOwnId("orvellethumbnail");

// The preview job's choice among the installed thumbnail plug-ins, Orvelle's left out: the
// exact type, then the types it inherits from, then its group ("video/*").
KPluginMetaData PluginFor(const QString& mimeType) {
  QMap<QString, KPluginMetaData> byType;
  const QVector<KPluginMetaData> plugins = KIO::PreviewJob::availableThumbnailerPlugins();
  for (const KPluginMetaData& plugin : plugins) {
    if (plugin.pluginId() == kOwnId) continue;
    for (const QString& type : plugin.mimeTypes()) byType.insert(type, plugin);
  }
  QStringList candidates{mimeType};
  const QMimeType info = QMimeDatabase().mimeTypeForName(mimeType);
  if (info.isValid()) candidates += info.allAncestors();
  candidates += mimeType.section(QLatin1Char('/'), 0, 0) + QStringLiteral("/*");
  for (const QString& type : candidates) {
    const auto found = byType.constFind(type);
    if (found != byType.constEnd()) return *found;
  }
  return {};
}

}  // namespace

// One loaded plug-in of either interface.
class LoadedThumbnailer {
 public:
  static std::unique_ptr<LoadedThumbnailer> Load(const KPluginMetaData& plugin) {
    auto loaded = std::make_unique<LoadedThumbnailer>();
    const auto current = KPluginFactory::instantiatePlugin<KIO::ThumbnailCreator>(plugin);
    if (current) {
      loaded->current_.reset(current.plugin);
      return loaded;
    }
    // The older interface: a plain library whose new_creator makes the creator.
    using NewCreator = ThumbCreator* (*)();
    QLibrary library(QPluginLoader(plugin.fileName()).fileName());
    const auto newCreator =
        library.load() ? reinterpret_cast<NewCreator>(library.resolve("new_creator")) : nullptr;
    if (newCreator == nullptr) return nullptr;
    loaded->legacy_.reset(newCreator());
    if (!loaded->legacy_) return nullptr;
    loaded->dprDependent_ = plugin.value(QStringLiteral("DevicePixelRatioDependent"), false);
    return loaded;
  }

  KIO::ThumbnailResult create(const KIO::ThumbnailRequest& request) {
    if (current_) return current_->create(request);
    // What KIO's thumbnail worker does for a plug-in of the older interface.
    QSize size = request.targetSize();
    auto* dprCreator = dynamic_cast<KIO::ThumbDevicePixelRatioDependentCreator*>(legacy_.get());
    if (dprDependent_ && dprCreator != nullptr) {
      const int ratio = qMax(1, qRound(request.devicePixelRatio()));
      dprCreator->setDevicePixelRatio(ratio);
      size /= ratio;
    }
    auto* sequence = dynamic_cast<ThumbSequenceCreator*>(legacy_.get());
    if (sequence != nullptr) sequence->setSequenceIndex(request.sequenceIndex());
    QImage picture;
    if (!legacy_->create(request.url().toLocalFile(), size.width(), size.height(), picture)) {
      return KIO::ThumbnailResult::fail();
    }
    KIO::ThumbnailResult result = KIO::ThumbnailResult::pass(picture);
    if (sequence != nullptr) {
      result.setSequenceIndexWraparoundPoint(sequence->sequenceIndexWraparoundPoint());
    }
    return result;
  }

 private:
  std::unique_ptr<KIO::ThumbnailCreator> current_;
  std::unique_ptr<ThumbCreator> legacy_;
  bool dprDependent_ = false;
};

PreviousThumbnailer::PreviousThumbnailer() = default;
PreviousThumbnailer::~PreviousThumbnailer() = default;

KIO::ThumbnailResult PreviousThumbnailer::create(const KIO::ThumbnailRequest& request) {
  const KPluginMetaData plugin = PluginFor(request.mimeType());
  if (!plugin.isValid()) return KIO::ThumbnailResult::fail();
  auto found = loaded_.find(plugin.fileName());
  if (found == loaded_.end()) {
    found = loaded_.emplace(plugin.fileName(), LoadedThumbnailer::Load(plugin)).first;
  }
  return found->second ? found->second->create(request) : KIO::ThumbnailResult::fail();
}

}  // namespace orvelle

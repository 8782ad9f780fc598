// The KIO thumbnail plug-in that would serve a file if Orvelle's were not installed.
#pragma once

#include <QString>
#include <map>
#include <memory>

#include <KIO/ThumbnailCreator>

namespace orvelle {

class LoadedThumbnailer;

class PreviousThumbnailer {
 public:
  PreviousThumbnailer();
  ~PreviousThumbnailer();

  // Asks that plug-in for the request's picture; fails when there is none or it fails.
  KIO::ThumbnailResult create(const KIO::ThumbnailRequest& request);

 private:
  // Loaded plug-ins by library path, kept for the worker's lifetime as KIO keeps them;
  // null where loading failed.
  std::map<QString, std::unique_ptr<LoadedThumbnailer>> loaded_;
};

}  // namespace orvelle

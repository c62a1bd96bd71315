#include "packages.h"

#include <httplib.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

namespace vendorsim {

namespace {

constexpr size_t kPieceSize = 64 * 1024;

void sleepMs(qint64 ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int errorStatus(httplib::Response& response, int status) {
  response.status = status;
  response.set_content("Erro " + std::to_string(status) + "\n", "text/plain");
  return status;
}

// Hands out the file from `offset`, honouring the truncation and the rate
// limit. False ends the transfer, and with it the connection.
class PieceReader {
 public:
  PieceReader(const QString& path, const PackageConfig& config)
      : file_(std::make_shared<std::ifstream>(path.toStdString(), std::ios::binary)), config_(config) {}

  bool send(size_t offset, size_t wanted, httplib::DataSink& sink) const {
    size_t piece = std::min(wanted, kPieceSize);
    if (config_.truncateAt >= 0) {
      const auto limit = static_cast<size_t>(config_.truncateAt);
      if (offset >= limit) return false;
      piece = std::min(piece, limit - offset);
    }
    if (config_.bytesPerSecond > 0) {
      piece = std::min(piece, static_cast<size_t>(std::max<qint64>(1, config_.bytesPerSecond / 10)));
      sleepMs(static_cast<qint64>(piece) * 1000 / config_.bytesPerSecond);
    }
    std::string buffer(piece, '\0');
    file_->seekg(static_cast<std::streamoff>(offset));
    file_->read(buffer.data(), static_cast<std::streamsize>(piece));
    const auto got = static_cast<size_t>(file_->gcount());
    if (got == 0) return false;
    return sink.is_writable() && sink.write(buffer.data(), got);
  }

  bool isOpen() const { return file_->is_open(); }

 private:
  std::shared_ptr<std::ifstream> file_;
  PackageConfig config_;
};

}  // namespace

bool isPlainFileName(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

int servePackage(const QString& folder, const QString& name, const PackageConfig& config,
                 httplib::Response& response) {
  sleepMs(config.delayMs);
  if (config.status != 0) return errorStatus(response, config.status);
  if (!config.redirect.isEmpty()) {
    response.set_redirect(config.redirect.toStdString(), 302);
    return 302;
  }
  if (folder.isEmpty() || !isPlainFileName(name)) return errorStatus(response, 404);
  const QString path = QDir(folder).filePath(name);
  const QFileInfo info(path);
  if (!info.isFile()) return errorStatus(response, 404);
  const PieceReader reader(path, config);
  if (!reader.isOpen()) return errorStatus(response, 403);

  response.status = 200;
  if (config.chunked) {
    response.set_chunked_content_provider(
        "application/octet-stream", [reader, size = static_cast<size_t>(info.size())](size_t offset, httplib::DataSink& sink) {
          if (offset >= size) {
            sink.done();
            return true;
          }
          return reader.send(offset, size - offset, sink);
        });
  } else {
    response.set_content_provider(static_cast<size_t>(info.size()), "application/octet-stream",
                                  [reader](size_t offset, size_t length, httplib::DataSink& sink) {
                                    return reader.send(offset, length, sink);
                                  });
  }
  return 200;
}

}  // namespace vendorsim

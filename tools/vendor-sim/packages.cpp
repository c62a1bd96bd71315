#include "packages.h"

#include <httplib.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
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

// The validators of the file as it is now: the ETag changes with its size or
// modification time, Last-Modified is that time (HTTP date).
struct Validators {
  std::string etag;
  std::string lastModified;
};

Validators validatorsOf(const QFileInfo& info) {
  const QDateTime modified = info.lastModified().toUTC();
  const std::time_t seconds = modified.toSecsSinceEpoch();
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  // The names are HTTP's, whatever the locale.
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char date[64];
  std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[utc.tm_wday], utc.tm_mday,
                months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
  return {"\"" + std::to_string(info.size()) + "-" + std::to_string(modified.toMSecsSinceEpoch()) + "\"", date};
}

// The first and last byte of the one range asked for; nothing when no
// range applies (none asked, several asked, or ignored).
struct ByteRange {
  size_t first = 0;
  size_t last = 0;
};

std::optional<ByteRange> requestedRange(const httplib::Request& request, size_t size, bool* unsatisfiable) {
  static const std::regex single(R"(bytes=(\d+)-(\d*))");
  std::smatch match;
  const std::string header = request.get_header_value("Range");
  if (!std::regex_match(header, match, single)) return std::nullopt;
  const size_t first = std::stoull(match[1].str());
  size_t last = match[2].length() ? std::stoull(match[2].str()) : size - 1;
  if (first >= size || last < first) {
    *unsatisfiable = true;
    return std::nullopt;
  }
  return ByteRange{first, std::min(last, size - 1)};
}

}  // namespace

bool isPlainFileName(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

int servePackage(const QString& folder, const QString& name, const PackageConfig& config,
                 const httplib::Request& request, httplib::Response& response) {
  // The ranges are answered here; the library must not cut the answer again.
  const_cast<httplib::Request&>(request).ranges.clear();
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

  const Validators validators = validatorsOf(info);
  response.set_header("ETag", validators.etag);
  response.set_header("Last-Modified", validators.lastModified);
  const auto size = static_cast<size_t>(info.size());
  const std::string ifRange = request.get_header_value("If-Range");
  const bool sameFile = ifRange.empty() || ifRange == validators.etag || ifRange == validators.lastModified;
  if (!config.ignoreRanges && !config.chunked && sameFile && request.has_header("Range")) {
    bool unsatisfiable = false;
    const std::optional<ByteRange> range = requestedRange(request, size, &unsatisfiable);
    if (unsatisfiable) {
      response.set_header("Content-Range", "bytes */" + std::to_string(size));
      return errorStatus(response, 416);
    }
    if (range) {
      response.status = 206;
      response.set_header("Content-Range", "bytes " + std::to_string(range->first) + "-" + std::to_string(range->last) +
                                               "/" + std::to_string(size));
      response.set_content_provider(
          range->last - range->first + 1, "application/octet-stream",
          [reader, first = range->first](size_t offset, size_t length, httplib::DataSink& sink) {
            return reader.send(first + offset, length, sink);
          });
      return 206;
    }
  }
  response.status = 200;
  if (config.chunked) {
    response.set_chunked_content_provider("application/octet-stream", [reader, size = static_cast<size_t>(info.size())](
                                                                          size_t offset, httplib::DataSink& sink) {
      if (offset >= size) {
        sink.done();
        return true;
      }
      return reader.send(offset, size - offset, sink);
    });
  } else {
    response.set_content_provider(
        static_cast<size_t>(info.size()), "application/octet-stream",
        [reader](size_t offset, size_t length, httplib::DataSink& sink) { return reader.send(offset, length, sink); });
  }
  return 200;
}

}  // namespace vendorsim

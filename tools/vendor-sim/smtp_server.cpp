#include "smtp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <thread>

namespace vendorsim {

namespace {

constexpr int kPollMs = 200;
constexpr int kIdleLimitMs = 120000;  // a silent client is dropped after this

bool sendAll(int socket, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = ::send(socket, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool reply(int socket, const std::string& text) { return text.empty() || sendAll(socket, text + "\r\n"); }

}  // namespace

MailBox::MailBox(QString folder, RequestRecord& record) : folder_(std::move(folder)), record_(record) {
  if (!folder_.isEmpty()) QDir().mkpath(folder_);
}

QString MailBox::writeFile(int number, const SmtpMessage& message) const {
  if (folder_.isEmpty()) return {};
  const QString path = QDir(folder_).filePath(QStringLiteral("mail-%1.eml").arg(number));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  // The envelope goes first as header lines, so the file stays a valid message.
  file.write("X-Sim-Envelope-From: <" + message.from.toUtf8() + ">\r\n");
  file.write("X-Sim-Envelope-To: <" + message.to.join(">, <").toUtf8() + ">\r\n");
  file.write(message.data);
  return path;
}

int MailBox::deliver(const SmtpMessage& message) {
  std::lock_guard lock(mutex_);
  const int number = next_++;
  record_.append({{"kind", "mail"},
                  {"endpoint", "smtp"},
                  {"number", number},
                  {"user", message.user},
                  {"from", message.from},
                  {"to", QJsonArray::fromStringList(message.to)},
                  {"data", QString::fromUtf8(message.data)},
                  {"file", writeFile(number, message)}});
  return number;
}

void MailBox::authAttempt(const QString& user, bool accepted) {
  record_.append({{"kind", "smtp-auth"}, {"endpoint", "smtp"}, {"user", user}, {"accepted", accepted}});
}

SmtpServer::SmtpServer(ScenarioStore& scenario, MailBox& mailBox) : scenario_(scenario), mailBox_(mailBox) {}

SmtpServer::~SmtpServer() {
  if (listener_ >= 0) ::close(listener_);
}

int SmtpServer::bind(int port) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return -1;
  const int yes = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return -1;
  return ntohs(address.sin_port);
}

void SmtpServer::run() {
  pollfd waiting{listener_, POLLIN, 0};
  while (!stopping_) {
    if (::poll(&waiting, 1, kPollMs) <= 0) continue;
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    {
      std::lock_guard lock(mutex_);
      sessions_.insert(socket);
    }
    std::thread([this, socket] { serve(socket); }).detach();
  }
}

void SmtpServer::stop() {
  stopping_ = true;
  std::unique_lock lock(mutex_);
  for (int socket : sessions_) ::shutdown(socket, SHUT_RDWR);
  allEnded_.wait(lock, [this] { return sessions_.empty(); });
}

void SmtpServer::sessionEnded(int socket) {
  ::close(socket);
  std::lock_guard lock(mutex_);
  sessions_.erase(socket);
  allEnded_.notify_all();
}

void SmtpServer::serve(int socket) {
  SmtpSession session(
      scenario_.current().smtp(), [this](const SmtpMessage& message) { return mailBox_.deliver(message); },
      [this](const QString& user, bool accepted) { mailBox_.authAttempt(user, accepted); });
  std::string pending;
  bool open = reply(socket, SmtpSession::greeting());
  int idleMs = 0;
  pollfd readable{socket, POLLIN, 0};
  while (open && !stopping_ && !session.finished() && idleMs < kIdleLimitMs) {
    const int ready = ::poll(&readable, 1, kPollMs);
    if (ready == 0) {
      idleMs += kPollMs;
      continue;
    }
    char buffer[8192];
    const ssize_t n = ready > 0 ? ::recv(socket, buffer, sizeof buffer, 0) : -1;
    if (n <= 0) break;
    idleMs = 0;
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; open && !session.finished() && (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      open = reply(socket, session.onLine(line));
    }
  }
  sessionEnded(socket);
}

}  // namespace vendorsim

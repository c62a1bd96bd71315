#include "smtp_session.h"

#include <algorithm>
#include <cctype>

namespace vendorsim {

namespace {

const char* kUsernamePrompt = "334 VXNlcm5hbWU6";  // "Username:"
const char* kPasswordPrompt = "334 UGFzc3dvcmQ6";  // "Password:"

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

QString fromBase64(const std::string& text) {
  return QString::fromUtf8(QByteArray::fromBase64(QByteArray::fromStdString(trimmed(text))));
}

// "FROM:<a@b> SIZE=10" after the keyword -> "a@b"; nothing when malformed.
bool pathArgument(const std::string& argument, const char* keyword, QString* address) {
  const std::string text = trimmed(argument);
  const std::string key = std::string(keyword) + ":";
  if (upper(text.substr(0, key.size())) != key) return false;
  const std::string rest = trimmed(text.substr(key.size()));
  if (rest.empty() || rest.front() != '<') return false;
  const size_t close = rest.find('>');
  if (close == std::string::npos) return false;
  *address = QString::fromStdString(rest.substr(1, close - 1));
  return true;
}

}  // namespace

SmtpSession::SmtpSession(SmtpConfig config, Deliver deliver, AuthEvent authEvent)
    : config_(std::move(config)), deliver_(std::move(deliver)), authEvent_(std::move(authEvent)) {}

std::string SmtpSession::greeting() { return "220 127.0.0.1 orvalto-vendor-sim ESMTP ready"; }

std::string SmtpSession::onLine(const std::string& line) {
  switch (state_) {
    case State::Command: return onCommand(line);
    case State::AuthUser: return onAuthUser(line);
    case State::AuthPassword: return onAuthPassword(line);
    case State::Data: return onDataLine(line);
    case State::Closed: break;
  }
  return {};
}

void SmtpSession::resetTransaction() {
  inTransaction_ = false;
  message_ = SmtpMessage();
}

std::string SmtpSession::onCommand(const std::string& line) {
  const size_t blank = line.find(' ');
  const std::string verb = upper(line.substr(0, blank));
  const std::string argument = blank == std::string::npos ? std::string() : line.substr(blank + 1);
  if (verb == "EHLO" || verb == "HELO") {
    greeted_ = true;
    resetTransaction();
    const std::string hello = "127.0.0.1 Hello " + trimmed(argument);
    if (verb == "HELO") return "250 " + hello;
    return "250-" + hello + "\r\n250-AUTH LOGIN\r\n250-8BITMIME\r\n250 SIZE 52428800";
  }
  if (verb == "AUTH") return onAuth(argument);
  if (verb == "MAIL") return onMail(argument);
  if (verb == "RCPT") return onRcpt(argument);
  if (verb == "DATA") {
    if (!inTransaction_ || message_.to.isEmpty()) return "503 5.5.1 Need MAIL and RCPT first";
    state_ = State::Data;
    return "354 End data with <CR><LF>.<CR><LF>";
  }
  if (verb == "RSET") {
    resetTransaction();
    return "250 2.0.0 OK";
  }
  if (verb == "NOOP") return "250 2.0.0 OK";
  if (verb == "QUIT") {
    state_ = State::Closed;
    return "221 2.0.0 Bye";
  }
  return "502 5.5.2 Command not recognized";
}

std::string SmtpSession::onAuth(const std::string& argument) {
  if (!greeted_) return "503 5.5.1 Send EHLO first";
  if (!authUser_.isEmpty()) return "503 5.5.1 Already authenticated";
  if (inTransaction_) return "503 5.5.1 Not during a mail transaction";
  const std::string text = trimmed(argument);
  const size_t blank = text.find(' ');
  if (upper(text.substr(0, blank)) != "LOGIN") return "504 5.5.4 Unrecognized authentication type";
  if (blank == std::string::npos) {
    state_ = State::AuthUser;
    return kUsernamePrompt;
  }
  pendingUser_ = fromBase64(text.substr(blank + 1));
  state_ = State::AuthPassword;
  return kPasswordPrompt;
}

std::string SmtpSession::onAuthUser(const std::string& line) {
  if (trimmed(line) == "*") {
    state_ = State::Command;
    return "501 5.7.0 Authentication cancelled";
  }
  pendingUser_ = fromBase64(line);
  state_ = State::AuthPassword;
  return kPasswordPrompt;
}

std::string SmtpSession::onAuthPassword(const std::string& line) {
  state_ = State::Command;
  if (trimmed(line) == "*") return "501 5.7.0 Authentication cancelled";
  const QString password = fromBase64(line);
  const bool accepted = config_.user.isEmpty() || (pendingUser_ == config_.user && password == config_.password);
  authEvent_(pendingUser_, accepted);
  if (!accepted) return "535 5.7.8 Authentication credentials invalid";
  authUser_ = pendingUser_;
  return "235 2.7.0 Authentication successful";
}

std::string SmtpSession::onMail(const std::string& argument) {
  if (!greeted_) return "503 5.5.1 Send EHLO first";
  if (!config_.user.isEmpty() && authUser_.isEmpty()) return "530 5.7.0 Authentication required";
  if (inTransaction_) return "503 5.5.1 Nested MAIL command";
  QString from;
  if (!pathArgument(argument, "FROM", &from)) return "501 5.5.4 Syntax: MAIL FROM:<address>";
  inTransaction_ = true;
  message_.user = authUser_;
  message_.from = from;
  return "250 2.1.0 OK";
}

std::string SmtpSession::onRcpt(const std::string& argument) {
  if (!inTransaction_) return "503 5.5.1 Need MAIL first";
  QString to;
  if (!pathArgument(argument, "TO", &to) || to.isEmpty()) return "501 5.5.4 Syntax: RCPT TO:<address>";
  if (config_.rejectRecipients.contains(to, Qt::CaseInsensitive)) return "550 5.1.1 Mailbox unavailable";
  message_.to << to;
  return "250 2.1.5 OK";
}

std::string SmtpSession::onDataLine(const std::string& line) {
  if (line == ".") {
    state_ = State::Command;
    const int number = deliver_(message_);
    resetTransaction();
    return "250 2.0.0 OK queued as " + std::to_string(number);
  }
  // A line that starts with a dot was sent with one more (dot-stuffing).
  const std::string text = !line.empty() && line.front() == '.' ? line.substr(1) : line;
  message_.data.append(text.data(), static_cast<qsizetype>(text.size()));
  message_.data.append("\r\n");
  return {};
}

}  // namespace vendorsim

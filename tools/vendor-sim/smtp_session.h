#pragma once
// One SMTP conversation as a state machine over lines: no sockets here, so
// the protocol stays readable and the server only moves bytes.
#include "scenario.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace vendorsim {

struct SmtpMessage {
  QString user;  // who logged in ("" without AUTH)
  QString from;
  QStringList to;
  QByteArray data;  // as received, dot-unstuffed, CRLF line ends
};

class SmtpSession {
 public:
  using Deliver = std::function<int(const SmtpMessage&)>;  // returns the message number
  using AuthEvent = std::function<void(const QString& user, bool accepted)>;

  SmtpSession(SmtpConfig config, Deliver deliver, AuthEvent authEvent);

  static std::string greeting();
  // One line without its line end; the reply to send ("" while in DATA).
  std::string onLine(const std::string& line);
  bool finished() const { return state_ == State::Closed; }

 private:
  enum class State { Command, AuthUser, AuthPassword, Data, Closed };

  std::string onCommand(const std::string& line);
  std::string onMail(const std::string& argument);
  std::string onRcpt(const std::string& argument);
  std::string onAuth(const std::string& argument);
  std::string onAuthUser(const std::string& line);
  std::string onAuthPassword(const std::string& line);
  std::string onDataLine(const std::string& line);
  void resetTransaction();

  SmtpConfig config_;
  Deliver deliver_;
  AuthEvent authEvent_;
  State state_ = State::Command;
  bool greeted_ = false;
  QString authUser_;     // after a successful AUTH LOGIN
  QString pendingUser_;  // between the two AUTH LOGIN steps
  bool inTransaction_ = false;
  SmtpMessage message_;
};

}  // namespace vendorsim

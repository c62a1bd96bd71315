#pragma once
// The SMTP server: plain TCP on 127.0.0.1, one thread per connection, each
// running an SmtpSession. Received mails go to the MailBox.
#include "request_record.h"
#include "scenario.h"
#include "smtp_session.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>

namespace vendorsim {

// Keeps each received mail: a record entry and, with a folder, an .eml file.
class MailBox {
 public:
  MailBox(QString folder, RequestRecord& record);
  int deliver(const SmtpMessage& message);
  void authAttempt(const QString& user, bool accepted);

 private:
  QString writeFile(int number, const SmtpMessage& message) const;

  std::mutex mutex_;
  QString folder_;
  RequestRecord& record_;
  int next_ = 1;
};

class SmtpServer {
 public:
  SmtpServer(ScenarioStore& scenario, MailBox& mailBox);
  ~SmtpServer();

  // Listens on 127.0.0.1; port 0 picks a free one. Returns the port, or -1.
  int bind(int port);
  // Accepts connections until stop(); call on a thread of its own.
  void run();
  // Ends the accept loop and every open conversation, and waits for them.
  void stop();

 private:
  void serve(int socket);
  void sessionEnded(int socket);

  ScenarioStore& scenario_;
  MailBox& mailBox_;
  int listener_ = -1;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable allEnded_;
  std::set<int> sessions_;
};

}  // namespace vendorsim

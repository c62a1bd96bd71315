#pragma once
// The HTTP side of the simulator: the three SOAP endpoints with their
// WSDLs, the package server, and the /_sim/ control paths used by tests.
#include "request_record.h"
#include "scenario.h"

#include <QString>
#include <memory>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace vendorsim {

struct ServiceDef;

class SimHttpServer {
 public:
  SimHttpServer(ScenarioStore& scenario, RequestRecord& record, QString packagesDir, QString signKey, bool verbose);
  ~SimHttpServer();

  // Listens on 127.0.0.1; port 0 picks a free one. Returns the port, or -1.
  int bind(int port);
  // Serves until stop(); call on a thread of its own.
  void run();
  void stop();

 private:
  void handle(const httplib::Request& request, httplib::Response& response);
  void handleControl(const httplib::Request& request, httplib::Response& response);
  void handleWsdl(const ServiceDef& service, const httplib::Request& request, httplib::Response& response,
                  QJsonObject& entry);
  void handleSoap(const ServiceDef& service, bool decoy, const httplib::Request& request, httplib::Response& response,
                  QJsonObject& entry);
  bool admitted(const ServiceDef& service, bool wsdl, const httplib::Request& request, httplib::Response& response,
                QJsonObject& entry);
  std::string baseOf(const httplib::Request& request) const;

  ScenarioStore& scenario_;
  RequestRecord& record_;
  QString packagesDir_;
  QString signKey_;
  bool verbose_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
};

}  // namespace vendorsim

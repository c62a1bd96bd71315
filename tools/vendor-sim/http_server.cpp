#include "http_server.h"

#include "packages.h"
#include "services.h"
#include "signer.h"
#include "soap_service.h"
#include "wsdl.h"

#include <httplib.h>

#include <QByteArray>
#include <QJsonDocument>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace vendorsim {

namespace {

constexpr size_t kWorkerThreads = 32;  // slow downloads and delays each hold one
const char* kPackagePrefix = "/pacotes/";
const char* kSelfUpdatePath = "/downloadsversao/Orvalto.rar";

QString qs(const std::string& text) { return QString::fromStdString(text); }

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

QJsonObject headersOf(const httplib::Request& request) {
  QJsonObject headers;
  for (const auto& [name, value] : request.headers) {
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") continue;
    const QString key = qs(name);
    const QString previous = headers.value(key).toString();
    headers.insert(key, previous.isEmpty() ? qs(value) : previous + ", " + qs(value));
  }
  return headers;
}

struct Credentials {
  QString user;
  QString password;
  bool given = false;
};

Credentials basicCredentials(const httplib::Request& request) {
  const std::string header = request.get_header_value("Authorization");
  if (!startsWith(header, "Basic ")) return {};
  const QString decoded = QString::fromUtf8(QByteArray::fromBase64(QByteArray::fromStdString(header.substr(6))));
  const qsizetype colon = decoded.indexOf(QLatin1Char(':'));
  if (colon < 0) return {decoded, {}, true};
  return {decoded.left(colon), decoded.mid(colon + 1), true};
}

QJsonObject newEntry(const httplib::Request& request) {
  return {{"method", qs(request.method)},           {"path", qs(request.path)}, {"headers", headersOf(request)},
          {"user", basicCredentials(request).user}, {"kind", "unknown"},        {"endpoint", ""}};
}

void sendJson(httplib::Response& response, const QJsonDocument& document, int status = 200) {
  response.status = status;
  response.set_content(document.toJson().toStdString(), "application/json");
}

void sendOk(httplib::Response& response) { sendJson(response, QJsonDocument(QJsonObject{{"ok", true}})); }

void sendError(httplib::Response& response, int status, const QString& text) {
  sendJson(response, QJsonDocument(QJsonObject{{"ok", false}, {"error", text}}), status);
}

void notFound(httplib::Response& response) {
  response.status = 404;
  response.set_content("Not Found\n", "text/plain");
}

}  // namespace

SimHttpServer::SimHttpServer(ScenarioStore& scenario, RequestRecord& record, QString packagesDir, QString signKey,
                             bool verbose)
    : scenario_(scenario),
      record_(record),
      packagesDir_(std::move(packagesDir)),
      signKey_(std::move(signKey)),
      verbose_(verbose),
      server_(std::make_unique<httplib::Server>()) {
  server_->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  auto handler = [this](const httplib::Request& request, httplib::Response& response) { handle(request, response); };
  server_->Get(".*", handler);
  server_->Post(".*", handler);
}

SimHttpServer::~SimHttpServer() = default;

int SimHttpServer::bind(int port) {
  if (port == 0) {
    port_ = server_->bind_to_any_port("127.0.0.1");
  } else {
    port_ = server_->bind_to_port("127.0.0.1", port) ? port : -1;
  }
  return port_;
}

void SimHttpServer::run() { server_->listen_after_bind(); }

void SimHttpServer::stop() { server_->stop(); }

std::string SimHttpServer::baseOf(const httplib::Request& request) const {
  const std::string host = request.get_header_value("Host");
  return "http://" + (host.empty() ? "127.0.0.1:" + std::to_string(port_) : host);
}

void SimHttpServer::handle(const httplib::Request& request, httplib::Response& response) {
  if (startsWith(request.path, "/_sim/")) {
    handleControl(request, response);
    return;
  }
  QJsonObject entry = newEntry(request);
  bool routed = false;
  for (const ServiceDef& service : allServices()) {
    const bool wsdlQuery = request.has_param("wsdl") || request.has_param("WSDL");
    if (request.method == "GET" && request.path == service.wsdlPath && (!service.wsdlByQuery || wsdlQuery)) {
      handleWsdl(service, request, response, entry);
    } else if (request.method == "POST" && (request.path == service.soapPath ||
                                            (!service.decoyPath.empty() && request.path == service.decoyPath))) {
      handleSoap(service, request.path == service.decoyPath, request, response, entry);
    } else {
      continue;
    }
    routed = true;
    break;
  }
  const std::string selfUpdateSignature = std::string(kSelfUpdatePath) + ".minisig";
  const bool selfUpdate = request.path == kSelfUpdatePath || request.path == selfUpdateSignature;
  if (!routed && request.method == "GET" && (startsWith(request.path, kPackagePrefix) || selfUpdate)) {
    const QString name = selfUpdate ? qs(request.path.substr(request.path.rfind('/') + 1))
                                    : qs(request.path.substr(std::strlen(kPackagePrefix)));
    const bool signature = name.endsWith(QStringLiteral(".minisig"));
    entry.insert("kind", signature ? "signature" : "package");
    entry.insert("endpoint", selfUpdate ? "selfupdate" : "package");
    entry.insert("name", name);
    // Recorded before the first byte goes out: the transfer itself may be
    // slow or cut.
    const Scenario scenario = scenario_.current();
    const PackageConfig config = scenario.package(name);
    const bool unsignedPackage = signature && scenario.package(name.chopped(8)).unsignedPackage;
    entry.insert("status",
                 signature ? serveSignature(packagesDir_, name, signKey_, unsignedPackage, config, request, response)
                           : servePackage(packagesDir_, name, config, request, response));
    record_.append(entry);
    routed = true;
  } else if (!routed) {
    notFound(response);
    entry.insert("status", 404);
    record_.append(entry);
  }
  if (verbose_)
    std::fprintf(stderr, "vendor-sim: %s %s -> %d\n", request.method.c_str(), request.path.c_str(), response.status);
}

bool SimHttpServer::admitted(const ServiceDef& service, bool wsdl, const httplib::Request& request,
                             httplib::Response& response, QJsonObject& entry) {
  const EndpointConfig config = scenario_.current().endpoint(qs(service.key));
  entry.insert("authorized", true);
  if (!config.present) {
    notFound(response);
    return false;
  }
  if (config.user.isEmpty() || (wsdl && !config.protectWsdl)) return true;
  const Credentials credentials = basicCredentials(request);
  if (credentials.given && credentials.user == config.user && credentials.password == config.password) return true;
  entry.insert("authorized", false);
  response.status = 401;
  response.set_header("WWW-Authenticate", "Basic realm=\"" + service.interfaceName + "\"");
  response.set_content("Unauthorized\n", "text/plain");
  return false;
}

void SimHttpServer::handleWsdl(const ServiceDef& service, const httplib::Request& request, httplib::Response& response,
                               QJsonObject& entry) {
  entry.insert("kind", "wsdl");
  entry.insert("endpoint", qs(service.key));
  if (admitted(service, true, request, response, entry)) {
    response.status = 200;
    response.set_content(buildWsdl(service, baseOf(request)), "text/xml; charset=utf-8");
  }
  entry.insert("status", response.status);
  record_.append(entry);
}

void SimHttpServer::handleSoap(const ServiceDef& service, bool decoy, const httplib::Request& request,
                               httplib::Response& response, QJsonObject& entry) {
  entry.insert("kind", "soap");
  entry.insert("endpoint", qs(service.key));
  entry.insert("soapAction", qs(request.get_header_value("SOAPAction")));
  entry.insert("contentType", qs(request.get_header_value("Content-Type")));
  entry.insert("body", QString::fromUtf8(request.body.data(), static_cast<qsizetype>(request.body.size())));
  if (decoy) entry.insert("port", qs(service.decoyPort));
  SoapOutcome outcome;
  if (!admitted(service, false, request, response, entry)) {
    outcome.status = response.status;
    outcome.recordFields = describeSoapRequest(request.body);
  } else {
    const Scenario scenario = scenario_.current();
    outcome = decoy ? answerDecoyPort(service)
                    : answerSoapCall({service, scenario, request.body, request.get_header_value("SOAPAction"),
                                      qs(baseOf(request))});
    response.status = outcome.status;
    response.set_content(outcome.body, outcome.contentType.c_str());
  }
  for (auto it = outcome.recordFields.begin(); it != outcome.recordFields.end(); ++it)
    entry.insert(it.key(), it.value());
  entry.insert("status", outcome.status);
  record_.append(entry);
  if (outcome.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(outcome.delayMs));
}

void SimHttpServer::handleControl(const httplib::Request& request, httplib::Response& response) {
  const std::string& path = request.path;
  if (path == "/_sim/requests") {
    sendJson(response, QJsonDocument(record_.entries()));
  } else if (path == "/_sim/reset") {
    record_.clear();
    sendOk(response);
  } else if (path == "/_sim/scenario" && request.method == "POST") {
    QString error;
    std::optional<Scenario> scenario = Scenario::fromJson(QByteArray::fromStdString(request.body), &error);
    if (!scenario) return sendError(response, 400, error);
    scenario_.replace(std::move(*scenario));
    sendOk(response);
  } else if (path == "/_sim/reload") {
    QString error;
    if (!scenario_.reloadFile(&error)) return sendError(response, 400, error);
    sendOk(response);
  } else {
    sendError(response, 404, QStringLiteral("unknown control path"));
  }
}

}  // namespace vendorsim

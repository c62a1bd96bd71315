#pragma once
// The maker's signatures: "<package>.minisig" beside each package, made on
// demand by the minisign tool with the secret key given to the simulator.
#include "scenario.h"

#include <QString>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace vendorsim {

// Fills `response` for the signature `name` ("<package>.minisig") of
// `folder`; returns the HTTP status. A signature file present in the folder
// is served as it is (tests plant bad ones); otherwise the package is signed
// with `keyFile` unless there is no key, no such package, or the package's
// scenario says "unsigned" (404 then).
int serveSignature(const QString& folder, const QString& name, const QString& keyFile, bool unsignedPackage,
                   const PackageConfig& config, const httplib::Request& request, httplib::Response& response);

}  // namespace vendorsim

#pragma once
// The maker's download server: package files streamed from a folder, with
// the failures a test asks for (error status, cut connection, slow link).
// Each file carries an ETag and a Last-Modified; a request for one range
// ("Range: bytes=N-" or "bytes=N-M") gets 206 with Content-Range unless its
// If-Range no longer matches the file (then the whole file, 200).
#include "scenario.h"

#include <QString>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace vendorsim {

// Fills `response` for the file `name` of `folder`; returns the HTTP status.
// Large files are never held in memory: they are read piece by piece while
// the connection takes them.
int servePackage(const QString& folder, const QString& name, const PackageConfig& config,
                 const httplib::Request& request, httplib::Response& response);

// A file name without any folder part; anything else is refused.
bool isPlainFileName(const QString& name);

}  // namespace vendorsim

#pragma once
// Service descriptions (RPC/encoded WSDL 1.1) of the simulated endpoints.
#include "services.h"

#include <string>

namespace vendorsim {

// `base` is "http://host:port"; every soap:address points there.
std::string buildWsdl(const ServiceDef& service, const std::string& base);

}  // namespace vendorsim

#include "xml_writer.h"

namespace vendorsim {

std::string escapeXml(std::string_view text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += attribute ? "&quot;" : "\""; break;
      case '\r': out += "&#13;"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      default: out += c;
    }
  }
  return out;
}

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") {}

void XmlWriter::endStartTag() {
  if (inStartTag_) {
    out_ += '>';
    inStartTag_ = false;
  }
}

XmlWriter& XmlWriter::open(std::string_view name) {
  endStartTag();
  out_ += '<';
  out_ += name;
  open_.emplace_back(name);
  inStartTag_ = true;
  return *this;
}

XmlWriter& XmlWriter::attr(std::string_view name, std::string_view value) {
  out_ += ' ';
  out_ += name;
  out_ += "=\"";
  out_ += escapeXml(value, true);
  out_ += '"';
  return *this;
}

XmlWriter& XmlWriter::text(std::string_view text) {
  endStartTag();
  out_ += escapeXml(text, false);
  return *this;
}

XmlWriter& XmlWriter::close() {
  if (inStartTag_) {
    out_ += "/>";
    inStartTag_ = false;
  } else {
    out_ += "</";
    out_ += open_.back();
    out_ += '>';
  }
  open_.pop_back();
  return *this;
}

XmlWriter& XmlWriter::leaf(std::string_view name, std::string_view text) { return open(name).text(text).close(); }

std::string XmlWriter::finish() {
  while (!open_.empty()) close();
  return std::move(out_);
}

}  // namespace vendorsim

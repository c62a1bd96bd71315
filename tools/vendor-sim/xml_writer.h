#pragma once
// A very small XML writer: elements, attributes, escaped text. The answers
// are written by hand on purpose, independent of any XML library the
// updater uses.
#include <string>
#include <string_view>
#include <vector>

namespace vendorsim {

class XmlWriter {
 public:
  XmlWriter();  // starts with the UTF-8 XML declaration

  XmlWriter& open(std::string_view name);
  // Only right after open().
  XmlWriter& attr(std::string_view name, std::string_view value);
  XmlWriter& text(std::string_view text);
  XmlWriter& close();
  // <name>text</name>
  XmlWriter& leaf(std::string_view name, std::string_view text);

  // Closes whatever is still open and returns the document.
  std::string finish();

 private:
  void endStartTag();

  std::string out_;
  std::vector<std::string> open_;
  bool inStartTag_ = false;
};

std::string escapeXml(std::string_view text, bool attribute);

}  // namespace vendorsim

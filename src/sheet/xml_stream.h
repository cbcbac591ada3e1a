#pragma once
// A zip part's XML, read node by node (libxml2's xmlReader) so that a
// reader can stop where it has what it needs. Parsed within libxml2's
// default limits (nesting depth, text size; never XML_PARSE_HUGE), without
// network access, and a document with a DTD is refused: entities cannot
// expand.
#include <libxml/xmlreader.h>

#include <memory>
#include <string>
#include <string_view>

#include "sheet/zip_archive.h"

namespace matslip {

class XmlStream {
 public:
  XmlStream(const ZipArchive& zip, const std::string& part);
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // Moves to the next node; false at the end or on an error (Failed()).
  bool Next();
  // On an element's start: moves to its end (its content unread).
  void Skip();
  // Set once a read failed: the reason (sheet/sheet_errors.h).
  bool Failed() const { return !reason_.empty(); }
  const std::string& reason() const { return reason_; }

  bool IsStart() const;  // an element's start (also an empty element)
  bool IsEnd() const;    // an element's end (never for an empty element)
  bool IsEmptyElement() const;
  bool IsText() const;  // text, CDATA or significant white space
  // The local name ("c" for "x:c").
  std::string_view Name() const;
  std::string_view NamespaceUri() const;
  int Depth() const;
  // An attribute by its qualified name as written ("r", "table:style-name");
  // empty when missing.
  std::string Attribute(const char* name) const;
  // An attribute by namespace URI and local name.
  std::string AttributeNs(const char* local, const char* ns) const;
  std::string_view Text() const;

 private:
  std::unique_ptr<ZipPart> part_;
  xmlTextReaderPtr reader_ = nullptr;
  int type_ = 0;
  std::string reason_;
};

}  // namespace matslip

#pragma once
// XML from a zip part or a plain file, read node by node so that a reader can
// stop where it has what it needs. Underneath, libxml2's SAX parser is fed a
// few KiB at a time: it holds no tree, so its memory does not grow with the
// part (the xmlReader's does). Parsed within libxml2's default limits (nesting
// depth, text size; never XML_PARSE_HUGE), without network access; a
// document with a DTD is refused, so entities cannot expand.
#include <libxml/parser.h>

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/byte_source.h"
#include "sheet/zip_archive.h"

namespace matslip {

class XmlStream {
 public:
  XmlStream(const ZipArchive& zip, const std::string& part);
  // `name` only labels the document.
  XmlStream(std::unique_ptr<ByteSource> source, const std::string& name);
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

  bool IsStart() const { return node_.kind == Node::kStart; }
  // An element's end; an element found empty has none.
  bool IsEnd() const { return node_.kind == Node::kEnd; }
  bool IsEmptyElement() const { return IsStart() && node_.empty; }
  bool IsText() const { return node_.kind == Node::kText; }
  // The local name ("c" for "x:c").
  std::string_view Name() const { return node_.name; }
  std::string_view NamespaceUri() const { return node_.uri; }
  // The root element is at depth 0.
  int Depth() const { return node_.depth; }
  // An attribute by its name as written ("r", "table:style-name"); empty
  // when missing.
  std::string Attribute(std::string_view name) const;
  // An attribute by namespace URI and local name.
  std::string AttributeNs(std::string_view local, std::string_view ns) const;
  std::string_view Text() const { return node_.text; }

 private:
  struct Attribute_ {
    std::string prefix, local, uri, value;
  };
  struct Node {
    enum Kind { kNone, kStart, kEnd, kText } kind = kNone;
    int depth = 0;
    bool empty = false;
    std::string name, uri, text;
    std::vector<Attribute_> attributes;
  };

  static void OnStart(void* context, const xmlChar* local,
                      const xmlChar* prefix, const xmlChar* uri,
                      int namespace_count, const xmlChar** namespaces,
                      int attribute_count, int defaulted,
                      const xmlChar** attributes);
  static void OnEnd(void* context, const xmlChar* local, const xmlChar* prefix,
                    const xmlChar* uri);
  static void OnText(void* context, const xmlChar* text, int length);
  static void OnDoctype(void* context, const xmlChar* name,
                        const xmlChar* external_id, const xmlChar* system_id);
  // Parses the next piece of the part; false when there is no more.
  bool Feed();

  void StartParser(const std::string& name);

  std::unique_ptr<ByteSource> part_;
  xmlParserCtxtPtr parser_ = nullptr;
  std::deque<Node> queue_;
  Node node_;
  int depth_ = 0;
  bool finished_ = false, doctype_ = false;
  std::string reason_;
};

}  // namespace matslip

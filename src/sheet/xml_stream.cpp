#include "sheet/xml_stream.h"

#include <cstring>
#include <utility>

#include "sheet/sheet_errors.h"

namespace matslip {
namespace {

constexpr std::size_t kPieceBytes = 4096;

std::string Str(const xmlChar* text) {
  return text ? reinterpret_cast<const char*>(text) : "";
}

// libxml2 would print every complaint about a damaged file on stderr.
void Quiet(void*, xmlErrorPtr) {}

}  // namespace

void XmlStream::OnStart(void* context, const xmlChar* local,
                        const xmlChar* /*prefix*/, const xmlChar* uri,
                        int /*namespace_count*/, const xmlChar** /*namespaces*/,
                        int attribute_count, int /*defaulted*/,
                        const xmlChar** attributes) {
  XmlStream* self =
      static_cast<XmlStream*>(static_cast<xmlParserCtxtPtr>(context)->_private);
  Node node;
  node.kind = Node::kStart;
  node.depth = self->depth_++;
  node.name = Str(local);
  node.uri = Str(uri);
  // Five pointers an attribute: local name, prefix, URI, value, value end.
  for (int i = 0; i < attribute_count; ++i) {
    const xmlChar** a = attributes + 5 * i;
    node.attributes.push_back(
        {Str(a[1]), Str(a[0]), Str(a[2]),
         std::string(reinterpret_cast<const char*>(a[3]),
                     static_cast<std::size_t>(a[4] - a[3]))});
  }
  self->queue_.push_back(std::move(node));
}

void XmlStream::OnEnd(void* context, const xmlChar* local,
                      const xmlChar* /*prefix*/, const xmlChar* uri) {
  XmlStream* self =
      static_cast<XmlStream*>(static_cast<xmlParserCtxtPtr>(context)->_private);
  --self->depth_;
  // An element whose start still waits with nothing after it is empty.
  if (!self->queue_.empty() && self->queue_.back().kind == Node::kStart &&
      self->queue_.back().depth == self->depth_) {
    self->queue_.back().empty = true;
    return;
  }
  Node node;
  node.kind = Node::kEnd;
  node.depth = self->depth_;
  node.name = Str(local);
  node.uri = Str(uri);
  self->queue_.push_back(std::move(node));
}

void XmlStream::OnText(void* context, const xmlChar* text, int length) {
  XmlStream* self =
      static_cast<XmlStream*>(static_cast<xmlParserCtxtPtr>(context)->_private);
  Node node;
  node.kind = Node::kText;
  node.depth = self->depth_;
  node.text.assign(reinterpret_cast<const char*>(text),
                   static_cast<std::size_t>(length));
  self->queue_.push_back(std::move(node));
}

void XmlStream::OnDoctype(void* context, const xmlChar*, const xmlChar*,
                          const xmlChar*) {
  xmlParserCtxtPtr parser = static_cast<xmlParserCtxtPtr>(context);
  static_cast<XmlStream*>(parser->_private)->doctype_ = true;
  xmlStopParser(parser);
}

XmlStream::XmlStream(const ZipArchive& zip, const std::string& part) {
  part_ = zip.OpenPart(part, &reason_);
  if (part_) StartParser(part);
}

XmlStream::XmlStream(std::unique_ptr<ByteSource> source,
                     const std::string& name)
    : part_(std::move(source)) {
  StartParser(name);
}

void XmlStream::StartParser(const std::string& name) {
  xmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.initialized = XML_SAX2_MAGIC;
  sax.startElementNs = OnStart;
  sax.endElementNs = OnEnd;
  sax.characters = OnText;
  sax.cdataBlock = OnText;
  sax.internalSubset = OnDoctype;
  sax.serror = Quiet;
  parser_ = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, name.c_str());
  if (!parser_) {
    reason_ = kSheetTooLarge;
    return;
  }
  parser_->_private = this;
  xmlCtxtUseOptions(parser_,
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
}

XmlStream::~XmlStream() {
  if (parser_) xmlFreeParserCtxt(parser_);
}

bool XmlStream::Feed() {
  if (finished_ || !parser_) return false;
  char piece[kPieceBytes];
  const long n = part_->Read(piece, sizeof piece);
  if (n < 0) {
    finished_ = true;
    reason_ = part_->too_large() ? kSheetTooLarge : kSheetDamaged;
    return false;
  }
  finished_ = n == 0;
  xmlParseChunk(parser_, piece, static_cast<int>(n), finished_ ? 1 : 0);
  if (doctype_ || !parser_->wellFormed) {
    finished_ = true;
    reason_ = kSheetDamaged;
  }
  return true;
}

bool XmlStream::Next() {
  // What was parsed before a fault is still given out.
  while (queue_.empty()) {
    if (Failed() || !Feed()) {
      node_ = Node{};
      return false;
    }
  }
  node_ = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

void XmlStream::Skip() {
  if (!IsStart() || IsEmptyElement()) return;
  const int depth = Depth();
  while (Next() && !(IsEnd() && Depth() == depth)) {
  }
}

std::string XmlStream::Attribute(std::string_view name) const {
  for (const Attribute_& a : node_.attributes) {
    if (a.prefix.empty()
            ? a.local == name
            : name.size() == a.prefix.size() + 1 + a.local.size() &&
                  name.starts_with(a.prefix) && name[a.prefix.size()] == ':' &&
                  name.ends_with(a.local))
      return a.value;
  }
  return {};
}

std::string XmlStream::AttributeNs(std::string_view local,
                                   std::string_view ns) const {
  for (const Attribute_& a : node_.attributes) {
    if (a.local == local && a.uri == ns) return a.value;
  }
  return {};
}

}  // namespace matslip

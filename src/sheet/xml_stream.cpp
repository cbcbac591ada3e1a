#include "sheet/xml_stream.h"

#include "sheet/sheet_errors.h"

namespace matslip {
namespace {

int ReadPart(void* context, char* buffer, int size) {
  return static_cast<int>(
      static_cast<ZipPart*>(context)->Read(buffer, static_cast<size_t>(size)));
}

int KeepPart(void*) { return 0; }

// libxml2 would print every complaint about a damaged file on stderr.
void Quiet(void*, const char*, xmlParserSeverities, xmlTextReaderLocatorPtr) {}

std::string Take(xmlChar* text) {
  if (!text) return {};
  std::string s(reinterpret_cast<const char*>(text));
  xmlFree(text);
  return s;
}

}  // namespace

XmlStream::XmlStream(const ZipArchive& zip, const std::string& part) {
  part_ = zip.OpenPart(part, &reason_);
  if (!part_) return;
  reader_ =
      xmlReaderForIO(ReadPart, KeepPart, part_.get(), part.c_str(), nullptr,
                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!reader_) {
    reason_ = kSheetDamaged;
    return;
  }
  xmlTextReaderSetErrorHandler(reader_, Quiet, nullptr);
}

XmlStream::~XmlStream() {
  if (reader_) xmlFreeTextReader(reader_);
}

bool XmlStream::Next() {
  if (!reader_ || Failed()) return false;
  const int result = xmlTextReaderRead(reader_);
  if (result == 1) {
    type_ = xmlTextReaderNodeType(reader_);
    if (type_ != XML_READER_TYPE_DOCUMENT_TYPE &&
        type_ != XML_READER_TYPE_ENTITY_REFERENCE)
      return true;
  }
  if (result == 0) return false;
  reason_ = part_->too_large() ? kSheetTooLarge : kSheetDamaged;
  return false;
}

void XmlStream::Skip() {
  if (!IsStart() || IsEmptyElement()) return;
  const int depth = Depth();
  while (Next() && !(IsEnd() && Depth() == depth)) {
  }
}

bool XmlStream::IsStart() const { return type_ == XML_READER_TYPE_ELEMENT; }

bool XmlStream::IsEnd() const { return type_ == XML_READER_TYPE_END_ELEMENT; }

bool XmlStream::IsEmptyElement() const {
  return IsStart() && xmlTextReaderIsEmptyElement(reader_) == 1;
}

bool XmlStream::IsText() const {
  return type_ == XML_READER_TYPE_TEXT || type_ == XML_READER_TYPE_CDATA ||
         type_ == XML_READER_TYPE_SIGNIFICANT_WHITESPACE ||
         type_ == XML_READER_TYPE_WHITESPACE;
}

std::string_view XmlStream::Name() const {
  const xmlChar* name = xmlTextReaderConstLocalName(reader_);
  return name ? reinterpret_cast<const char*>(name) : "";
}

std::string_view XmlStream::NamespaceUri() const {
  const xmlChar* uri = xmlTextReaderConstNamespaceUri(reader_);
  return uri ? reinterpret_cast<const char*>(uri) : "";
}

int XmlStream::Depth() const { return xmlTextReaderDepth(reader_); }

std::string XmlStream::Attribute(const char* name) const {
  return Take(xmlTextReaderGetAttribute(reader_, BAD_CAST name));
}

std::string XmlStream::AttributeNs(const char* local, const char* ns) const {
  return Take(
      xmlTextReaderGetAttributeNs(reader_, BAD_CAST local, BAD_CAST ns));
}

std::string_view XmlStream::Text() const {
  const xmlChar* value = xmlTextReaderConstValue(reader_);
  return value ? reinterpret_cast<const char*>(value) : "";
}

}  // namespace matslip

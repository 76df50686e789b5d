// Service simulator: multipart/form-data request bodies read as a web server reads them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace sim {

struct FormPart {
    std::string name; // from Content-Disposition: form-data; name="..."
    std::map<std::string, std::string> headers; // names in lower case, values as sent
    std::string value; // after the part's Content-Transfer-Encoding is undone
};

struct FormData {
    std::vector<FormPart> parts; // in body order
    std::string error; // empty when the body was well formed
    // The first part of that name, or null.
    const FormPart* field(const std::string& name) const;
};

// The boundary parameter of a Content-Type (quoted or not); empty when there is none.
std::string boundaryOf(const std::string& contentType);

// Parses a multipart/form-data body: a preamble before the first delimiter and an epilogue after
// the closing one are skipped; every part needs a header block with a form-data disposition and a
// name; quoted-printable parts are decoded, 7bit, 8bit and binary ones kept. The first fault
// found stops the parse and is told in error, with the parts read before it.
FormData parseFormData(const std::string& body, const std::string& contentType);

// Quoted-printable decoding: "=XX" escapes (upper-case hex digits), soft line breaks ("=" at the
// end of a line), hard line breaks kept as CR LF, blanks at a line's end dropped. A broken escape,
// a byte outside printable ASCII other than a blank, or a line over 76 characters is a fault
// (error set; the value decoded so far returned).
std::string decodeQuotedPrintable(const std::string& text, std::string& error);

} // namespace sim

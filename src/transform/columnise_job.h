// The label/value columniser: a text file of "label<delimiter>value" lines,
// one field a line, records one after another, becomes a table with one
// column per distinct label and one row per record, written beside the input
// as "<input>.sal" (semicolon-separated, values in double quotes).
//
// Blocking; reads the input twice. The ".sal" is written under a temporary
// name and renamed into place at the end; one that is the input itself (a
// link to it) is refused. Failures throw zuruza::Error (IoError).
#pragma once

#include <string>

namespace zuruza {

struct ColumniseRequest {
  std::string delimiter = "=";
  std::string input_path;
  // A label that always starts a new record; empty: only a repeated label does.
  std::string break_label = "Nombre SID        =";
};

// Every distinct label gets its column: there is no fixed bound on labels.
// Returns the path written.
std::string ColumniseFile(const ColumniseRequest& request);

}  // namespace zuruza

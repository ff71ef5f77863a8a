// The two ways "Buscar un Fichero" reads a listing, open to tests that check
// they agree.
#pragma once

#include "search/inventario.h"

namespace zuruza::detail {

// As SearchIndexedDisks, with the size of the read buffer (0: the reader's
// own) and, when `line_by_line`, every line tested one at a time instead of
// the text being looked for a block of lines at once.
ListingSearchResult SearchListing(const std::string& listing_path,
                                  const ListingSearchRequest& request, ResultsFile& results,
                                  ReportSink& sink, const LocaleFormats& formats, int current_year,
                                  std::size_t pane_capacity, std::size_t read_buffer,
                                  bool line_by_line);

}  // namespace zuruza::detail

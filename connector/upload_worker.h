// Uploads of the files that a lookup did not settle, each on its own
// thread, at most max_uploads at a time for the whole connector. A thread is
// joined by the next upload of its slot (or the connector's destruction),
// never waited for otherwise.
#pragma once

#include "connector/scan_connector.h"
#include "connector/scan_result_documents.h"

namespace dravanta {

// Waits for a free upload slot, then uploads file on a new thread, which
// reports it through the handler of form and frees the slot.
void StartUpload(ScanConnector& connector, ReportForm form, const ScanFile& file);

// Waits until no upload of the connector is running.
void WaitForUploads(ScanConnector& connector);

}  // namespace dravanta

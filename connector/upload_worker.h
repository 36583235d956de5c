// Uploads of the files that a lookup did not settle, each on its own
// detached thread, at most max_uploads at a time for the whole connector.
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

#include "connector/scan_outcome.h"

#include "transport/server_client.h"

namespace dravanta {

void OutcomeCounts::Reset() {
  clean = 0;
  threats = 0;
  not_scanned = 0;
  failed = 0;
}

ScanOutcome MapServerResult(OutcomeCounts& counts, int32_t server_result) {
  switch (server_result) {
    case 0:
    case 7:
      ++counts.clean;
      return kOutcomeClean;
    case 1:
    case 4:
    case 6:
    case 8:
      ++counts.threats;
      return kOutcomeDirty;
    case 2:
      ++counts.threats;
      return kOutcomeSuspicious;
    case 3:
      ++counts.failed;
      return kOutcomeFailed;
    case 9:
      ++counts.clean;
      return kOutcomeExceededArchiveDepth;
    case 10:
    case 11:
      ++counts.not_scanned;
      return kOutcomeNotScanned;
    case 12:
      ++counts.clean;
      return kOutcomeEncryptedArchive;
    case 13:
      ++counts.clean;
      return kOutcomeServerResult13;
    case 14:
      ++counts.clean;
      return kOutcomeServerResult14;
    default:  // 5 and every unlisted number: no verdict
      return kOutcomeUnknown;
  }
}

ScanOutcome MapTransportCode(uint32_t transport_code) {
  switch (transport_code) {
    case TransportOk:
      return kOutcomeClean;
    case TransportFailed:
    case TransportInvalidArgument:
      return kOutcomeFailed;
    default:
      return kOutcomeUnknown;
  }
}

std::u16string OutcomeText(ScanOutcome code) {
  switch (code) {
    case kOutcomeClean:
      return u"Clean";
    case kOutcomeExceededArchiveDepth:
      return u"Exceeded Archive Depth";
    case kOutcomeEncryptedArchive:
      return u"Encrypted Archive";
    case kOutcomeNotScanned:
      return u"Not Scanned";
    case kOutcomeUnknown:
      return u"Unknown";
    case kOutcomeFailed:
      return u"Failed";
    case kOutcomeConnectionRefused:
      // An upload refused by the server's host (socket error 10061).
      return u"Connection Refused";
    case kOutcomeAddressInUse:
      return u"Address In Use";
    case kOutcomeOutOfMemory:
      return u"Out Of Memory";
    case kOutcomeUnreadable:
      return u"Unreadable";
    case kOutcomeVanished:
      return u"Vanished";
    case kOutcomeFileTooLarge:
      return u"Exceeded file max file size";
    case kOutcomeDirty:
      return u"Dirty";
    case kOutcomeSuspicious:
      return u"Suspicious";
    default:
      return u"Unknown scan result!";
  }
}

}  // namespace dravanta

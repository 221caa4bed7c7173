#include "RecordSink.h"

#include "ReturnCodes.h"
#include "naMessages.h"

int RecordSink::failure() const {
    return failure_ < 0 ? failure_ : FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE;
}

int RecordSink::writeFailed() {
    if (!logged_) naLogMessage(AGT0422E, "probe", path_);
    logged_ = true;
    return FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE;
}

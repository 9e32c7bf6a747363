#include "util/log/log_bound.h"

#include "util/log/log_format.h"

LogStep LogBound::Next(uint64_t size, uint64_t lineBytes) const {
    if (!LogNeedsRotation(size, lineBytes))
        return LogStep::Write;
    if (!rotationFailed_)
        return LogStep::Rotate;
    if (!noticeWritten_ && size + kLogNoticeBytes <= 2 * kLogSizeLimit)
        return LogStep::NoticeAndDrop;
    return LogStep::Drop;
}

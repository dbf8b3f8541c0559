// KSEvents.h -- the event types of the archive component.
//
// Every handler receives the component that raises it as Sender first; arguments passed by
// non-const reference are answers the handler may change. Volume numbers given to handlers count
// from 1. An empty std::function means "no handler": the raiser then applies its built-in default.
#pragma once

#include <cstdint>
#include <functional>

#include "archive/KSEnums.h"
#include "platform/KSComponent.h"
#include "platform/KSTypes.h"

namespace ks {

// The plain notification (AfterOpen).
using TNotifyEvent = std::function<void(TComponent* Sender)>;

using TKSFileProgressEvent =
    std::function<void(TComponent* Sender, const TKSString& FileName, double Progress,
                       TKSProcessOperation Operation, TKSProgressPhase ProgressPhase, bool& Cancel)>;

using TKSProgressEvent =
    std::function<void(TComponent* Sender, double Progress, TKSProcessOperation Operation,
                       TKSProgressPhase ProgressPhase, bool& Cancel)>;

using TKSCopyTempFileProgressEvent =
    std::function<void(TComponent* Sender, double Progress, TKSProgressPhase ProgressPhase, bool& Cancel)>;

using TKSConfirmOverwriteEvent = std::function<void(TComponent* Sender, const TKSString& SourceFileName,
                                                    TKSString& DestFileName, bool& Confirm)>;

using TKSConfirmProcessFileEvent = std::function<void(TComponent* Sender, const TKSString& FileName,
                                                      TKSProcessOperation Operation, bool& Confirm)>;

using TKSOnPasswordEvent = std::function<void(TComponent* Sender, const TKSString& FileName,
                                              AnsiString& NewPassword, bool& SkipFile)>;

using TKSProcessFileFailureEvent = std::function<void(
    TComponent* Sender, const TKSString& FileName, TKSProcessOperation Operation, int32_t NativeError,
    int32_t ErrorCode, const TKSString& ErrorMessage, TKSAction& Action)>;

using TKSOnRequestBlankVolumeEvent =
    std::function<void(TComponent* Sender, int32_t VolumeNumber, TKSString& VolumeFileName, bool& Cancel)>;

using TKSOnRequestFirstVolumeEvent =
    std::function<void(TComponent* Sender, TKSString& VolumeFileName, bool& Cancel)>;

using TKSOnRequestLastVolumeEvent =
    std::function<void(TComponent* Sender, TKSString& VolumeFileName, bool& Cancel)>;

using TKSOnRequestMiddleVolumeEvent =
    std::function<void(TComponent* Sender, int32_t VolumeNumber, TKSString& VolumeFileName, bool& Cancel)>;

using TKSOnDiskFullEvent = std::function<void(TComponent* Sender, int32_t VolumeNumber,
                                              const TKSString& VolumeFileName, bool& Cancel)>;

using TKSOnStoreFileEvent = std::function<void(TComponent* Sender, TKSString& FileName, uint32_t& FileAttr,
                                               AnsiString& Comment, const TKSString& OriginalFileName)>;

using TKSOnExtractFileEvent = std::function<void(TComponent* Sender, TKSString& FileName, uint32_t& FileAttr,
                                                 const AnsiString& Comment)>;

using TKSProcessVolumeFailureEvent =
    std::function<void(TComponent* Sender, TKSProcessOperation Operation, int32_t VolumeNumber,
                       const TKSString& VolumeFileName, bool& Cancel)>;

} // namespace ks

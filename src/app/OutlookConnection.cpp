#include "app/OutlookConnection.h"

namespace gleaner {

void OutlookConnection::Connect()
{
    if (!application_) application_ = Dispatch::ConnectOrCreate(kClsidOutlookApplication);
}

} // namespace gleaner

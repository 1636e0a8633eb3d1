//
// Notification.cpp
//
// Implementation of the Notification class.
//

#include "utility/Notification.h"

namespace Zel
{
namespace Utility
{

Notification::Notification(ACTION action, ACTION subAction, Poco::NotificationQueue* pReplyQueue,
                           Poco::Event* pDone)
    : _action(action), _subAction(subAction), _pReplyQueue(pReplyQueue), _pDone(pDone)
{
}

Notification::~Notification() = default;

} // namespace Utility
} // namespace Zel

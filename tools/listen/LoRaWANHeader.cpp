//
// LoRaWANHeader.cpp
//
// Implementation of the LoRaWANHeader class.
//

#include "tools/listen/LoRaWANHeader.h"

namespace LoRaWANListen
{

const char* LoRaWANHeader::messageTypeName(MessageType type)
{
    switch (type)
    {
        case MessageType::JoinRequest:
            return "JoinReq";
        case MessageType::JoinAccept:
            return "JoinAcc";
        case MessageType::UnconfirmedDataUp:
            return "UnconfUp";
        case MessageType::UnconfirmedDataDown:
            return "UnconfDn";
        case MessageType::ConfirmedDataUp:
            return "ConfUp";
        case MessageType::ConfirmedDataDown:
            return "ConfDn";
        case MessageType::RejoinRequest:
            return "RejoinReq";
        case MessageType::Proprietary:
            return "Propr";
    }
    return "?";
}

bool LoRaWANHeader::isDataFrame() const
{
    return type == MessageType::UnconfirmedDataUp || type == MessageType::UnconfirmedDataDown ||
           type == MessageType::ConfirmedDataUp || type == MessageType::ConfirmedDataDown;
}

} // namespace LoRaWANListen

#pragma once

#include "Format/Engine/JavaScript/Com/Events/CV8EventSink.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/ComRef.h"

#include <expected>
#include <memory>

namespace qor::format::engine::javascript {

// One COM object's events reaching the scripts: the engine's sink advised
// on the object's connection point for its event interface. Destroying the
// connection unadvises the sink.
class EventConnection {
public:
    // Advises `sink` on `object`; the failure is COM's answer.
    static std::expected<std::unique_ptr<EventConnection>, HRESULT> connect(IDispatch* object, CV8EventSink* sink);

    EventConnection(EventConnection const&) = delete;
    EventConnection& operator=(EventConnection const&) = delete;
    ~EventConnection();

    CV8EventSink& sink() const { return *sink_; }

private:
    EventConnection(platform::windows::com::ComRef<IConnectionPoint> point, DWORD cookie, CV8EventSink* sink);

    platform::windows::com::ComRef<IConnectionPoint> point;
    DWORD cookie;
    platform::windows::com::ComRef<CV8EventSink> sink_;
};

} // namespace qor::format::engine::javascript

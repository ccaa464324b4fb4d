#include "Format/Engine/JavaScript/Com/Events/EventConnection.h"

namespace qor::format::engine::javascript {

using platform::windows::com::ComRef;

std::expected<std::unique_ptr<EventConnection>, HRESULT> EventConnection::connect(IDispatch* object,
                                                                                  CV8EventSink* sink) {
    ComRef<IConnectionPointContainer> container;
    HRESULT hr = object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put()));
    if (FAILED(hr) || !container)
        return std::unexpected(FAILED(hr) ? hr : E_NOINTERFACE);
    ComRef<IConnectionPoint> point;
    hr = container->FindConnectionPoint(sink->events().iid, point.put());
    if (FAILED(hr) || !point)
        return std::unexpected(FAILED(hr) ? hr : CONNECT_E_NOCONNECTION);
    DWORD cookie = 0;
    hr = point->Advise(static_cast<IDispatch*>(sink), &cookie);
    if (FAILED(hr))
        return std::unexpected(hr);
    return std::unique_ptr<EventConnection>(new EventConnection(std::move(point), cookie, sink));
}

EventConnection::EventConnection(ComRef<IConnectionPoint> point, DWORD cookie, CV8EventSink* sink)
    : point(std::move(point)), cookie(cookie) {
    sink->AddRef();
    sink_ = ComRef<CV8EventSink>(sink);
}

EventConnection::~EventConnection() {
    sink_->close();
    point->Unadvise(cookie);
}

} // namespace qor::format::engine::javascript

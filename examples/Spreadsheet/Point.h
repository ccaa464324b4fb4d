#pragma once

#include "Interfaces.h"
#include "SpreadsheetObject.h"

namespace qor::examples::spreadsheet {

// A point of the plane, the sample's creatable class: scripts write
// `new Point(x, y)` or `new Point(other)`, which the engine answers with New
// or New2 of a point the class's creator makes for the purpose.
class CPoint : public SpreadsheetObject<IPoint, &IID_IPoint> {
public:
    CPoint(double x = 0, double y = 0) : x(x), y(y) {}

    HRESULT STDMETHODCALLTYPE get_X(double* coordinate) override;
    HRESULT STDMETHODCALLTYPE put_X(double coordinate) override;
    HRESULT STDMETHODCALLTYPE get_Y(double* coordinate) override;
    HRESULT STDMETHODCALLTYPE put_Y(double coordinate) override;
    HRESULT STDMETHODCALLTYPE New(VARIANT atX, VARIANT atY, IPoint** created) override;
    HRESULT STDMETHODCALLTYPE New2(IPoint* other, IPoint** created) override;
    HRESULT STDMETHODCALLTYPE DistanceTo(IPoint* other, double* distance) override;
    HRESULT STDMETHODCALLTYPE get_Text(BSTR* description) override;

private:
    double x;
    double y;
};

} // namespace qor::examples::spreadsheet

#include "Point.h"

#include "Text.h"

#include <cmath>
#include <expected>
#include <string>

#include <fmt/format.h>

namespace qor::examples::spreadsheet {
namespace {

HRESULT readCoordinate(double value, double* coordinate) {
    if (coordinate == nullptr)
        return E_POINTER;
    *coordinate = value;
    return S_OK;
}

// An optional coordinate argument: 0 when left out.
std::expected<double, Failure> coordinateOf(VARIANT const& argument, char const* name) {
    if (argument.vt == VT_ERROR && argument.scode == DISP_E_PARAMNOTFOUND)
        return 0.0;
    _variant_t number;
    if (FAILED(VariantChangeType(&number, &argument, 0, VT_R8)))
        return std::unexpected(Failure{DISP_E_TYPEMISMATCH, fmt::format("Point: {} must be a number", name)});
    return number.dblVal;
}

// Where another point lies, whoever implements it.
std::expected<std::pair<double, double>, Failure> positionOf(IPoint* point, char const* method) {
    std::pair<double, double> position;
    if (point == nullptr)
        return std::unexpected(Failure{E_POINTER, fmt::format("Point.{} needs a point", method)});
    if (FAILED(point->get_X(&position.first)) || FAILED(point->get_Y(&position.second)))
        return std::unexpected(Failure{E_FAIL, fmt::format("Point.{}: the other point cannot be read", method)});
    return position;
}

} // namespace

HRESULT CPoint::get_X(double* coordinate) {
    return readCoordinate(x, coordinate);
}

HRESULT CPoint::put_X(double coordinate) {
    x = coordinate;
    return S_OK;
}

HRESULT CPoint::get_Y(double* coordinate) {
    return readCoordinate(y, coordinate);
}

HRESULT CPoint::put_Y(double coordinate) {
    y = coordinate;
    return S_OK;
}

HRESULT CPoint::New(VARIANT atX, VARIANT atY, IPoint** created) {
    auto newX = coordinateOf(atX, "x");
    if (!newX)
        return fail(newX.error());
    auto newY = coordinateOf(atY, "y");
    if (!newY)
        return fail(newY.error());
    return handOut(makeObject<CPoint>(*newX, *newY).get(), created);
}

HRESULT CPoint::New2(IPoint* other, IPoint** created) {
    auto position = positionOf(other, "New2");
    if (!position)
        return fail(position.error());
    return handOut(makeObject<CPoint>(position->first, position->second).get(), created);
}

HRESULT CPoint::DistanceTo(IPoint* other, double* distance) {
    if (distance == nullptr)
        return E_POINTER;
    auto position = positionOf(other, "DistanceTo");
    if (!position)
        return fail(position.error());
    *distance = std::hypot(position->first - x, position->second - y);
    return S_OK;
}

HRESULT CPoint::get_Text(BSTR* description) {
    return textOut(fmt::format("({}, {})", x, y), description);
}

} // namespace qor::examples::spreadsheet

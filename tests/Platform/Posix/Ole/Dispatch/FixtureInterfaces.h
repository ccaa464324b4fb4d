#pragma once

// The C++ side of the fixture libraries' interfaces (QorFixture.idl,
// QorFixtureExt.idl), in vtable order.

#include "Platform/Posix/Ole/TypeLib/TypeLibFixtures.h"

namespace qor::test {

struct DECLSPEC_NOVTABLE IShape : public IDispatch {
    STDMETHOD(get_Name)(BSTR* name) PURE;
    STDMETHOD(get_Area)(DOUBLE* area) PURE;
};

struct DECLSPEC_NOVTABLE ICalc : public IDispatch {
    STDMETHOD(Add)(LONG a, LONG b, LONG* result) PURE;
    STDMETHOD(Concat)(BSTR a, BSTR b, BSTR* result) PURE;
    STDMETHOD(Scale)(DOUBLE value, SHORT factor, DOUBLE* result) PURE;
    STDMETHOD(Defaults)(LONG n, BSTR s, LONG big, VARIANT_BOOL flag, BSTR* result) PURE;
    STDMETHOD(Optional)(VARIANT first, VARIANT second, VARIANT* result) PURE;
    STDMETHOD(get_Value)(LONG* value) PURE;
    STDMETHOD(put_Value)(LONG value) PURE;
    STDMETHOD(get_Item)(LONG index, VARIANT* value) PURE;
    STDMETHOD(put_Item)(LONG index, VARIANT value) PURE;
    STDMETHOD(get_Target)(IDispatch** value) PURE;
    STDMETHOD(putref_Target)(IDispatch* value) PURE;
    STDMETHOD(Swap)(LONG* a, BSTR* b) PURE;
    STDMETHOD(Sum)(SAFEARRAY* values, LONG* total) PURE;
    STDMETHOD(Unknown)(IUnknown* object, IUnknown** same) PURE;
    STDMETHOD(Shape)(IShape* shape, IShape** same) PURE;
    STDMETHOD(Paint)(LONG colour, LONG* previous) PURE;
    STDMETHOD(Fail)(LONG code) PURE;
    STDMETHOD(Nothing)() PURE;
    STDMETHOD(Secret)(LONG* value) PURE;
    STDMETHOD(Mixed)(BYTE b, SHORT s, FLOAT f, ULONG u, DATE d, VARIANT_BOOL v, LONGLONG h, DOUBLE* sum) PURE;
};

struct DECLSPEC_NOVTABLE ICircle : public IShape {
    STDMETHOD(get_Radius)(DOUBLE* radius) PURE;
};

struct DECLSPEC_NOVTABLE IShapeHolder : public IUnknown {
    STDMETHOD(Exchange)(IShape** shape) PURE;
};

struct DECLSPEC_NOVTABLE IMoney : public IUnknown {
    STDMETHOD(Half)(DECIMAL value, DECIMAL* half) PURE;
    STDMETHOD(Grow)(DECIMAL* value) PURE;
};

struct DECLSPEC_NOVTABLE IClock : public IShape {
    STDMETHOD(Format)(LONG value, LONG locale, LONG width, BSTR* text) PURE;
};

} // namespace qor::test

OLE_DECLARE_UUIDOF(qor::test::IShape, (qor::test::fixtureGuidValue<0x03>));
OLE_DECLARE_UUIDOF(qor::test::ICalc, (qor::test::fixtureGuidValue<0x02>));
OLE_DECLARE_UUIDOF(qor::test::ICircle, (qor::test::fixtureGuidValue<0x21>));
OLE_DECLARE_UUIDOF(qor::test::IShapeHolder, (qor::test::fixtureGuidValue<0x22>));
OLE_DECLARE_UUIDOF(qor::test::IMoney, (qor::test::fixtureGuidValue<0x23>));
OLE_DECLARE_UUIDOF(qor::test::IClock, (qor::test::fixtureGuidValue<0x25>));

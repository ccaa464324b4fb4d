#pragma once

// The C++ side of the interfaces of Spreadsheet.idl, in vtable order, with
// their identifiers. ITypeInfo::Invoke calls these slots as the type library
// describes them, so the order here must follow the IDL member by member.

#include "Platform/Com.h"

namespace qor::examples::spreadsheet {

inline constexpr GUID LIBID_QorSpreadsheet = {
    0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x00}};
inline constexpr IID IID_IApplication = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x01}};
inline constexpr IID IID_IWorkbook = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x02}};
inline constexpr IID IID_ISheets = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x03}};
inline constexpr IID IID_ISheet = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x04}};
inline constexpr IID IID_IRange = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x05}};
inline constexpr IID IID_IPoint = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x06}};
// The events of a sheet, and their DISPIDs.
inline constexpr IID DIID_SheetEvents = {
    0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x07}};
inline constexpr DISPID DISPID_SheetChanged = 1;
inline constexpr CLSID CLSID_Application = {
    0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x10}};
inline constexpr CLSID CLSID_Workbook = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x11}};
inline constexpr CLSID CLSID_Point = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x12}};
inline constexpr CLSID CLSID_Sheet = {0x126c36e1, 0x1c2c, 0x4108, {0x83, 0x91, 0x94, 0x87, 0x40, 0x74, 0xf9, 0x13}};

struct DECLSPEC_UUID("126c36e1-1c2c-4108-8391-94874074f905") DECLSPEC_NOVTABLE IRange : public IDispatch {
    STDMETHOD(get_Count)(LONG* cellCount) PURE;
    STDMETHOD(get_Item)(LONG index, VARIANT* cellValue) PURE;
    STDMETHOD(get__NewEnum)(IUnknown** enumerator) PURE;
    STDMETHOD(get_Address)(BSTR* reference) PURE;
};

struct DECLSPEC_UUID("126c36e1-1c2c-4108-8391-94874074f904") DECLSPEC_NOVTABLE ISheet : public IDispatch {
    STDMETHOD(get_Name)(BSTR* sheetName) PURE;
    STDMETHOD(put_Name)(BSTR sheetName) PURE;
    STDMETHOD(get_Cells)(LONG row, LONG column, VARIANT* cellValue) PURE;
    STDMETHOD(SetCell)(LONG row, LONG column, VARIANT newValue) PURE;
    STDMETHOD(Activate)(LONG percent, LONG* position) PURE;
    STDMETHOD(get_Zoom)(LONG* percent) PURE;
    STDMETHOD(get_Protected)(VARIANT_BOOL* locked) PURE;
    STDMETHOD(put_Protected)(VARIANT_BOOL locked) PURE;
    STDMETHOD(Clear)() PURE;
    STDMETHOD(Range)(LONG firstRow, LONG firstColumn, LONG lastRow, LONG lastColumn, IRange** cells) PURE;
    STDMETHOD(SumInBackground)(LONG column, LONG firstRow, LONG lastRow, LONG intoRow) PURE;
};

struct DECLSPEC_UUID("126c36e1-1c2c-4108-8391-94874074f903") DECLSPEC_NOVTABLE ISheets : public IDispatch {
    STDMETHOD(get_Count)(LONG* sheetCount) PURE;
    STDMETHOD(get_Item)(VARIANT index, ISheet** found) PURE;
    STDMETHOD(get__NewEnum)(IUnknown** enumerator) PURE;
    STDMETHOD(Add)(BSTR sheetName, ISheet** added) PURE;
};

struct DECLSPEC_UUID("126c36e1-1c2c-4108-8391-94874074f902") DECLSPEC_NOVTABLE IWorkbook : public IDispatch {
    STDMETHOD(get_Name)(BSTR* bookName) PURE;
    STDMETHOD(put_Name)(BSTR bookName) PURE;
    STDMETHOD(get_Sheets)(ISheets** collection) PURE;
    STDMETHOD(get_ActiveSheet)(ISheet** active) PURE;
    STDMETHOD(New)(BSTR bookName, IWorkbook** created) PURE;
};

struct DECLSPEC_UUID("126c36e1-1c2c-4108-8391-94874074f906") DECLSPEC_NOVTABLE IPoint : public IDispatch {
    STDMETHOD(get_X)(double* coordinate) PURE;
    STDMETHOD(put_X)(double coordinate) PURE;
    STDMETHOD(get_Y)(double* coordinate) PURE;
    STDMETHOD(put_Y)(double coordinate) PURE;
    STDMETHOD(New)(VARIANT atX, VARIANT atY, IPoint** created) PURE;
    STDMETHOD(New2)(IPoint* other, IPoint** created) PURE;
    STDMETHOD(DistanceTo)(IPoint* other, double* distance) PURE;
    STDMETHOD(get_Text)(BSTR* description) PURE;
};

struct DECLSPEC_UUID("126c36e1-1c2c-4108-8391-94874074f901") DECLSPEC_NOVTABLE IApplication : public IDispatch {
    STDMETHOD(get_Name)(BSTR* appName) PURE;
    STDMETHOD(get_Version)(BSTR* versionText) PURE;
    STDMETHOD(get_ActiveWorkbook)(IWorkbook** active) PURE;
    STDMETHOD(put_ActiveWorkbook)(IWorkbook* active) PURE;
    STDMETHOD(Add)(double a, double b, double* total) PURE;
    STDMETHOD(Divide)(LONG dividend, LONG divisor, LONG* quotient, LONG* remainder) PURE;
    STDMETHOD(Repeat)(BSTR pattern, LONG times, BSTR* repeated) PURE;
    STDMETHOD(Greet)(BSTR who, BSTR* greeting) PURE;
    STDMETHOD(Describe)(VARIANT value, BSTR* description) PURE;
    STDMETHOD(IsEven)(LONG number, VARIANT_BOOL* even) PURE;
    STDMETHOD(Choose)(VARIANT_BOOL condition, VARIANT ifTrue, VARIANT ifFalse, VARIANT* chosen) PURE;
    STDMETHOD(FormatDate)(DATE date, BSTR* formatted) PURE;
    STDMETHOD(DateSerial)(LONG year, LONG month, LONG day, DATE* date) PURE;
    STDMETHOD(Factorial)(LONG n, LONGLONG* product) PURE;
    STDMETHOD(Increment)(LONGLONG number, LONGLONG* following) PURE;
    STDMETHOD(Squares)(LONG howMany, SAFEARRAY** values) PURE;
    STDMETHOD(Mixed)(SAFEARRAY** values) PURE;
    STDMETHOD(Sum)(VARIANT values, double* total) PURE;
};

} // namespace qor::examples::spreadsheet

OLE_DECLARE_UUIDOF(qor::examples::spreadsheet::IRange, qor::examples::spreadsheet::IID_IRange);
OLE_DECLARE_UUIDOF(qor::examples::spreadsheet::ISheet, qor::examples::spreadsheet::IID_ISheet);
OLE_DECLARE_UUIDOF(qor::examples::spreadsheet::ISheets, qor::examples::spreadsheet::IID_ISheets);
OLE_DECLARE_UUIDOF(qor::examples::spreadsheet::IWorkbook, qor::examples::spreadsheet::IID_IWorkbook);
OLE_DECLARE_UUIDOF(qor::examples::spreadsheet::IPoint, qor::examples::spreadsheet::IID_IPoint);
OLE_DECLARE_UUIDOF(qor::examples::spreadsheet::IApplication, qor::examples::spreadsheet::IID_IApplication);

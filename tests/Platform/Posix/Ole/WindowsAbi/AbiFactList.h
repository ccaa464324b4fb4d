/* The facts of the Windows x64 ABI that our runtime and mingw-w64's Windows
 * headers both describe. Each side expands the lists with its own meaning of
 * the macros: mingw's through its compiler's assembly output, ours in the
 * test. Plain preprocessor text, read by C and C++ alike.
 *
 * HRESULT and Win32 error values are not listed: the build reads every one
 * our runtime defines from its header. */

/* One line per record or interface reads as a table. Of the members of a
 * union, one stands for all: any other placed outside it changes the size. */
/* clang-format off */

#define QOR_ABI_SCALARS(SIZE)                                                                                         \
    SIZE(BYTE) SIZE(WORD) SIZE(DWORD) SIZE(SHORT) SIZE(USHORT) SIZE(INT) SIZE(UINT) SIZE(LONG) SIZE(ULONG)            \
    SIZE(LONGLONG) SIZE(ULONGLONG) SIZE(LONG_PTR) SIZE(ULONG_PTR) SIZE(SIZE_T) SIZE(BOOL) SIZE(FLOAT) SIZE(DOUBLE)    \
    SIZE(HRESULT) SIZE(SCODE) SIZE(LCID) SIZE(DISPID) SIZE(MEMBERID) SIZE(HREFTYPE) SIZE(VARTYPE)                     \
    SIZE(VARIANT_BOOL) SIZE(DATE) SIZE(OLECHAR) SIZE(WCHAR) SIZE(BSTR) SIZE(TYPEKIND) SIZE(INVOKEKIND)                \
    SIZE(FUNCKIND) SIZE(CALLCONV) SIZE(VARKIND) SIZE(SYSKIND) SIZE(DESCKIND)

#define QOR_ABI_RECORDS(SIZE, OFFSET)                                                                                 \
    SIZE(GUID) OFFSET(GUID, Data1) OFFSET(GUID, Data2) OFFSET(GUID, Data3) OFFSET(GUID, Data4)                        \
    SIZE(CY) OFFSET(CY, Lo) OFFSET(CY, Hi)                                                                            \
    SIZE(DECIMAL) OFFSET(DECIMAL, wReserved) OFFSET(DECIMAL, scale) OFFSET(DECIMAL, sign) OFFSET(DECIMAL, Hi32)       \
    OFFSET(DECIMAL, Lo32)                                                                                             \
    SIZE(VARIANT) OFFSET(VARIANT, vt) OFFSET(VARIANT, wReserved1) OFFSET(VARIANT, wReserved2)                         \
    OFFSET(VARIANT, wReserved3) OFFSET(VARIANT, llVal) OFFSET(VARIANT, pRecInfo) OFFSET(VARIANT, decVal)              \
    SIZE(SAFEARRAYBOUND) OFFSET(SAFEARRAYBOUND, cElements) OFFSET(SAFEARRAYBOUND, lLbound)                             \
    SIZE(SAFEARRAY) OFFSET(SAFEARRAY, cDims) OFFSET(SAFEARRAY, fFeatures) OFFSET(SAFEARRAY, cbElements)               \
    OFFSET(SAFEARRAY, cLocks) OFFSET(SAFEARRAY, pvData) OFFSET(SAFEARRAY, rgsabound)                                  \
    SIZE(DISPPARAMS) OFFSET(DISPPARAMS, rgvarg) OFFSET(DISPPARAMS, rgdispidNamedArgs) OFFSET(DISPPARAMS, cArgs)       \
    OFFSET(DISPPARAMS, cNamedArgs)                                                                                    \
    SIZE(EXCEPINFO) OFFSET(EXCEPINFO, wCode) OFFSET(EXCEPINFO, wReserved) OFFSET(EXCEPINFO, bstrSource)               \
    OFFSET(EXCEPINFO, bstrDescription) OFFSET(EXCEPINFO, bstrHelpFile) OFFSET(EXCEPINFO, dwHelpContext)               \
    OFFSET(EXCEPINFO, pvReserved) OFFSET(EXCEPINFO, pfnDeferredFillIn) OFFSET(EXCEPINFO, scode)                       \
    SIZE(TYPEDESC) OFFSET(TYPEDESC, lptdesc) OFFSET(TYPEDESC, lpadesc) OFFSET(TYPEDESC, hreftype)                     \
    OFFSET(TYPEDESC, vt)                                                                                              \
    SIZE(ARRAYDESC) OFFSET(ARRAYDESC, tdescElem) OFFSET(ARRAYDESC, cDims) OFFSET(ARRAYDESC, rgbounds)                 \
    SIZE(IDLDESC) OFFSET(IDLDESC, dwReserved) OFFSET(IDLDESC, wIDLFlags)                                              \
    SIZE(PARAMDESCEX) OFFSET(PARAMDESCEX, cBytes) OFFSET(PARAMDESCEX, varDefaultValue)                                \
    SIZE(PARAMDESC) OFFSET(PARAMDESC, pparamdescex) OFFSET(PARAMDESC, wParamFlags)                                    \
    SIZE(ELEMDESC) OFFSET(ELEMDESC, tdesc) OFFSET(ELEMDESC, idldesc) OFFSET(ELEMDESC, paramdesc)                      \
    SIZE(TYPEATTR) OFFSET(TYPEATTR, guid) OFFSET(TYPEATTR, lcid) OFFSET(TYPEATTR, dwReserved)                         \
    OFFSET(TYPEATTR, memidConstructor) OFFSET(TYPEATTR, memidDestructor) OFFSET(TYPEATTR, lpstrSchema)                \
    OFFSET(TYPEATTR, cbSizeInstance) OFFSET(TYPEATTR, typekind) OFFSET(TYPEATTR, cFuncs) OFFSET(TYPEATTR, cVars)      \
    OFFSET(TYPEATTR, cImplTypes) OFFSET(TYPEATTR, cbSizeVft) OFFSET(TYPEATTR, cbAlignment)                            \
    OFFSET(TYPEATTR, wTypeFlags) OFFSET(TYPEATTR, wMajorVerNum) OFFSET(TYPEATTR, wMinorVerNum)                        \
    OFFSET(TYPEATTR, tdescAlias) OFFSET(TYPEATTR, idldescType)                                                        \
    SIZE(FUNCDESC) OFFSET(FUNCDESC, memid) OFFSET(FUNCDESC, lprgscode) OFFSET(FUNCDESC, lprgelemdescParam)            \
    OFFSET(FUNCDESC, funckind) OFFSET(FUNCDESC, invkind) OFFSET(FUNCDESC, callconv) OFFSET(FUNCDESC, cParams)         \
    OFFSET(FUNCDESC, cParamsOpt) OFFSET(FUNCDESC, oVft) OFFSET(FUNCDESC, cScodes) OFFSET(FUNCDESC, elemdescFunc)      \
    OFFSET(FUNCDESC, wFuncFlags)                                                                                      \
    SIZE(VARDESC) OFFSET(VARDESC, memid) OFFSET(VARDESC, lpstrSchema) OFFSET(VARDESC, oInst)                          \
    OFFSET(VARDESC, lpvarValue) OFFSET(VARDESC, elemdescVar) OFFSET(VARDESC, wVarFlags) OFFSET(VARDESC, varkind)      \
    SIZE(TLIBATTR) OFFSET(TLIBATTR, guid) OFFSET(TLIBATTR, lcid) OFFSET(TLIBATTR, syskind)                            \
    OFFSET(TLIBATTR, wMajorVerNum) OFFSET(TLIBATTR, wMinorVerNum) OFFSET(TLIBATTR, wLibFlags)                         \
    SIZE(BINDPTR)                                                                                                     \
    SIZE(CUSTDATAITEM) OFFSET(CUSTDATAITEM, guid) OFFSET(CUSTDATAITEM, varValue)                                      \
    SIZE(CUSTDATA) OFFSET(CUSTDATA, cCustData) OFFSET(CUSTDATA, prgCustData)                                          \
    SIZE(PARAMDATA) OFFSET(PARAMDATA, szName) OFFSET(PARAMDATA, vt)                                                   \
    SIZE(METHODDATA) OFFSET(METHODDATA, szName) OFFSET(METHODDATA, ppdata) OFFSET(METHODDATA, dispid)                 \
    OFFSET(METHODDATA, iMeth) OFFSET(METHODDATA, cc) OFFSET(METHODDATA, cArgs) OFFSET(METHODDATA, wFlags)             \
    OFFSET(METHODDATA, vtReturn)                                                                                      \
    SIZE(INTERFACEDATA) OFFSET(INTERFACEDATA, pmethdata) OFFSET(INTERFACEDATA, cMembers)                              \
    SIZE(CONNECTDATA) OFFSET(CONNECTDATA, pUnk) OFFSET(CONNECTDATA, dwCookie)

/* Every method of each interface, so that a slot inserted, dropped or moved
 * anywhere shows. */
#define QOR_ABI_VTABLES(SLOT)                                                                                         \
    SLOT(IUnknown, QueryInterface) SLOT(IUnknown, AddRef) SLOT(IUnknown, Release)                                     \
    SLOT(IDispatch, GetTypeInfoCount) SLOT(IDispatch, GetTypeInfo) SLOT(IDispatch, GetIDsOfNames)                     \
    SLOT(IDispatch, Invoke)                                                                                           \
    SLOT(IDispatchEx, GetDispID) SLOT(IDispatchEx, InvokeEx) SLOT(IDispatchEx, DeleteMemberByName)                    \
    SLOT(IDispatchEx, DeleteMemberByDispID) SLOT(IDispatchEx, GetMemberProperties) SLOT(IDispatchEx, GetMemberName)   \
    SLOT(IDispatchEx, GetNextDispID) SLOT(IDispatchEx, GetNameSpaceParent)                                            \
    SLOT(IEnumVARIANT, Next) SLOT(IEnumVARIANT, Skip) SLOT(IEnumVARIANT, Reset) SLOT(IEnumVARIANT, Clone)             \
    SLOT(ITypeInfo, GetTypeAttr) SLOT(ITypeInfo, GetTypeComp) SLOT(ITypeInfo, GetFuncDesc) SLOT(ITypeInfo, GetVarDesc) \
    SLOT(ITypeInfo, GetNames) SLOT(ITypeInfo, GetRefTypeOfImplType) SLOT(ITypeInfo, GetImplTypeFlags)                 \
    SLOT(ITypeInfo, GetIDsOfNames) SLOT(ITypeInfo, Invoke) SLOT(ITypeInfo, GetDocumentation)                          \
    SLOT(ITypeInfo, GetDllEntry) SLOT(ITypeInfo, GetRefTypeInfo) SLOT(ITypeInfo, AddressOfMember)                     \
    SLOT(ITypeInfo, CreateInstance) SLOT(ITypeInfo, GetMops) SLOT(ITypeInfo, GetContainingTypeLib)                    \
    SLOT(ITypeInfo, ReleaseTypeAttr) SLOT(ITypeInfo, ReleaseFuncDesc) SLOT(ITypeInfo, ReleaseVarDesc)                 \
    SLOT(ITypeLib, GetTypeInfoCount) SLOT(ITypeLib, GetTypeInfo) SLOT(ITypeLib, GetTypeInfoType)                      \
    SLOT(ITypeLib, GetTypeInfoOfGuid) SLOT(ITypeLib, GetLibAttr) SLOT(ITypeLib, GetTypeComp)                          \
    SLOT(ITypeLib, GetDocumentation) SLOT(ITypeLib, IsName) SLOT(ITypeLib, FindName) SLOT(ITypeLib, ReleaseTLibAttr)  \
    SLOT(ITypeInfo2, GetTypeKind) SLOT(ITypeInfo2, GetTypeFlags) SLOT(ITypeInfo2, GetFuncIndexOfMemId)               \
    SLOT(ITypeInfo2, GetVarIndexOfMemId) SLOT(ITypeInfo2, GetCustData) SLOT(ITypeInfo2, GetFuncCustData)              \
    SLOT(ITypeInfo2, GetParamCustData) SLOT(ITypeInfo2, GetVarCustData) SLOT(ITypeInfo2, GetImplTypeCustData)         \
    SLOT(ITypeInfo2, GetDocumentation2) SLOT(ITypeInfo2, GetAllCustData) SLOT(ITypeInfo2, GetAllFuncCustData)         \
    SLOT(ITypeInfo2, GetAllParamCustData) SLOT(ITypeInfo2, GetAllVarCustData) SLOT(ITypeInfo2, GetAllImplTypeCustData) \
    SLOT(ITypeLib2, GetCustData) SLOT(ITypeLib2, GetLibStatistics) SLOT(ITypeLib2, GetDocumentation2)                 \
    SLOT(ITypeLib2, GetAllCustData)                                                                                   \
    SLOT(ITypeComp, Bind) SLOT(ITypeComp, BindType)                                                                   \
    SLOT(IClassFactory, CreateInstance) SLOT(IClassFactory, LockServer)                                               \
    SLOT(IServiceProvider, QueryService)                                                                              \
    SLOT(IErrorInfo, GetGUID) SLOT(IErrorInfo, GetSource) SLOT(IErrorInfo, GetDescription)                            \
    SLOT(IErrorInfo, GetHelpFile) SLOT(IErrorInfo, GetHelpContext)                                                    \
    SLOT(ICreateErrorInfo, SetGUID) SLOT(ICreateErrorInfo, SetSource) SLOT(ICreateErrorInfo, SetDescription)          \
    SLOT(ICreateErrorInfo, SetHelpFile) SLOT(ICreateErrorInfo, SetHelpContext)                                        \
    SLOT(ISupportErrorInfo, InterfaceSupportsErrorInfo)                                                               \
    SLOT(IProvideClassInfo, GetClassInfo)                                                                             \
    SLOT(IConnectionPointContainer, EnumConnectionPoints) SLOT(IConnectionPointContainer, FindConnectionPoint)        \
    SLOT(IConnectionPoint, GetConnectionInterface) SLOT(IConnectionPoint, GetConnectionPointContainer)                \
    SLOT(IConnectionPoint, Advise) SLOT(IConnectionPoint, Unadvise) SLOT(IConnectionPoint, EnumConnections)           \
    SLOT(IEnumConnections, Next) SLOT(IEnumConnections, Skip) SLOT(IEnumConnections, Reset)                           \
    SLOT(IEnumConnections, Clone)                                                                                     \
    SLOT(IEnumConnectionPoints, Next) SLOT(IEnumConnectionPoints, Skip) SLOT(IEnumConnectionPoints, Reset)            \
    SLOT(IEnumConnectionPoints, Clone)

#define QOR_ABI_INTERFACES(ID)                                                                                       \
    ID(IUnknown) ID(IDispatch) ID(IDispatchEx) ID(IEnumVARIANT) ID(ITypeInfo) ID(ITypeLib) ID(ITypeComp)       \
    ID(ITypeInfo2) ID(ITypeLib2)                                                                                      \
    ID(IClassFactory) ID(IServiceProvider) ID(IErrorInfo) ID(ICreateErrorInfo) ID(ISupportErrorInfo)                 \
    ID(IProvideClassInfo) ID(IConnectionPointContainer) ID(IConnectionPoint) ID(IEnumConnections)                     \
    ID(IEnumConnectionPoints)

/* Values that cross the boundary inside VARIANTs, DISPPARAMS and type
 * descriptions. */
#define QOR_ABI_CONSTANTS(VALUE)                                                                                      \
    VALUE(VT_EMPTY) VALUE(VT_NULL) VALUE(VT_I2) VALUE(VT_I4) VALUE(VT_R4) VALUE(VT_R8) VALUE(VT_CY) VALUE(VT_DATE)    \
    VALUE(VT_BSTR) VALUE(VT_DISPATCH) VALUE(VT_ERROR) VALUE(VT_BOOL) VALUE(VT_VARIANT) VALUE(VT_UNKNOWN)              \
    VALUE(VT_DECIMAL) VALUE(VT_I1) VALUE(VT_UI1) VALUE(VT_UI2) VALUE(VT_UI4) VALUE(VT_I8) VALUE(VT_UI8)               \
    VALUE(VT_INT) VALUE(VT_UINT) VALUE(VT_VOID) VALUE(VT_HRESULT) VALUE(VT_PTR) VALUE(VT_SAFEARRAY)                   \
    VALUE(VT_CARRAY) VALUE(VT_USERDEFINED) VALUE(VT_LPSTR) VALUE(VT_LPWSTR) VALUE(VT_RECORD) VALUE(VT_INT_PTR)        \
    VALUE(VT_UINT_PTR) VALUE(VT_FILETIME) VALUE(VT_BLOB) VALUE(VT_STREAM) VALUE(VT_STORAGE)                           \
    VALUE(VT_STREAMED_OBJECT) VALUE(VT_STORED_OBJECT) VALUE(VT_BLOB_OBJECT) VALUE(VT_CF) VALUE(VT_CLSID)              \
    VALUE(VT_VERSIONED_STREAM) VALUE(VT_BSTR_BLOB) VALUE(VT_VECTOR) VALUE(VT_ARRAY) VALUE(VT_BYREF)                   \
    VALUE(VT_RESERVED) VALUE(VT_ILLEGAL) VALUE(VT_ILLEGALMASKED) VALUE(VT_TYPEMASK)                                   \
    VALUE(VARIANT_TRUE) VALUE(VARIANT_FALSE)                                                                          \
    VALUE(VARIANT_NOVALUEPROP) VALUE(VARIANT_ALPHABOOL) VALUE(VARIANT_NOUSEROVERRIDE) VALUE(VARIANT_CALENDAR_HIJRI)   \
    VALUE(VARIANT_LOCALBOOL) VALUE(VARIANT_CALENDAR_THAI) VALUE(VARIANT_CALENDAR_GREGORIAN) VALUE(VARIANT_USE_NLS)    \
    VALUE(DISPATCH_METHOD) VALUE(DISPATCH_PROPERTYGET) VALUE(DISPATCH_PROPERTYPUT) VALUE(DISPATCH_PROPERTYPUTREF)     \
    VALUE(DISPATCH_CONSTRUCT)                                                                                         \
    VALUE(DISPID_UNKNOWN) VALUE(DISPID_VALUE) VALUE(DISPID_PROPERTYPUT) VALUE(DISPID_NEWENUM)                         \
    VALUE(DISPID_EVALUATE) VALUE(DISPID_CONSTRUCTOR) VALUE(DISPID_DESTRUCTOR) VALUE(DISPID_COLLECT)                   \
    VALUE(DISPID_STARTENUM) VALUE(DISPID_THIS) VALUE(MEMBERID_NIL)                                                    \
    VALUE(fdexNameCaseSensitive) VALUE(fdexNameEnsure) VALUE(fdexNameImplicit) VALUE(fdexNameCaseInsensitive)         \
    VALUE(fdexNameInternal) VALUE(fdexNameNoDynamicProperties) VALUE(fdexEnumDefault) VALUE(fdexEnumAll)              \
    VALUE(grfdexPropAll)                                                                                              \
    VALUE(FADF_AUTO) VALUE(FADF_STATIC) VALUE(FADF_EMBEDDED) VALUE(FADF_FIXEDSIZE) VALUE(FADF_RECORD)                 \
    VALUE(FADF_HAVEIID) VALUE(FADF_HAVEVARTYPE) VALUE(FADF_BSTR) VALUE(FADF_UNKNOWN) VALUE(FADF_DISPATCH)             \
    VALUE(FADF_VARIANT) VALUE(FADF_RESERVED)                                                                          \
    VALUE(PARAMFLAG_NONE) VALUE(PARAMFLAG_FIN) VALUE(PARAMFLAG_FOUT) VALUE(PARAMFLAG_FLCID) VALUE(PARAMFLAG_FRETVAL)  \
    VALUE(PARAMFLAG_FOPT) VALUE(PARAMFLAG_FHASDEFAULT) VALUE(PARAMFLAG_FHASCUSTDATA)                                  \
    VALUE(IMPLTYPEFLAG_FDEFAULT) VALUE(IMPLTYPEFLAG_FSOURCE) VALUE(IMPLTYPEFLAG_FRESTRICTED)                          \
    VALUE(IMPLTYPEFLAG_FDEFAULTVTABLE)                                                                                \
    VALUE(TKIND_ENUM) VALUE(TKIND_RECORD) VALUE(TKIND_MODULE) VALUE(TKIND_INTERFACE) VALUE(TKIND_DISPATCH)            \
    VALUE(TKIND_COCLASS) VALUE(TKIND_ALIAS) VALUE(TKIND_UNION) VALUE(TKIND_MAX)                                       \
    VALUE(INVOKE_FUNC) VALUE(INVOKE_PROPERTYGET) VALUE(INVOKE_PROPERTYPUT) VALUE(INVOKE_PROPERTYPUTREF)               \
    VALUE(FUNC_VIRTUAL) VALUE(FUNC_PUREVIRTUAL) VALUE(FUNC_NONVIRTUAL) VALUE(FUNC_STATIC) VALUE(FUNC_DISPATCH)        \
    VALUE(CC_FASTCALL) VALUE(CC_CDECL) VALUE(CC_MSCPASCAL) VALUE(CC_PASCAL) VALUE(CC_MACPASCAL) VALUE(CC_STDCALL)     \
    VALUE(CC_FPFASTCALL) VALUE(CC_SYSCALL) VALUE(CC_MPWCDECL) VALUE(CC_MPWPASCAL) VALUE(CC_MAX)                       \
    VALUE(VAR_PERINSTANCE) VALUE(VAR_STATIC) VALUE(VAR_CONST) VALUE(VAR_DISPATCH)                                     \
    VALUE(SYS_WIN16) VALUE(SYS_WIN32) VALUE(SYS_MAC) VALUE(SYS_WIN64)                                                 \
    VALUE(DESCKIND_NONE) VALUE(DESCKIND_FUNCDESC) VALUE(DESCKIND_VARDESC) VALUE(DESCKIND_TYPECOMP)                    \
    VALUE(DESCKIND_IMPLICITAPPOBJ) VALUE(DESCKIND_MAX)                                                                \
    VALUE(TYPEFLAG_FAPPOBJECT) VALUE(TYPEFLAG_FCANCREATE) VALUE(TYPEFLAG_FLICENSED) VALUE(TYPEFLAG_FPREDECLID)        \
    VALUE(TYPEFLAG_FHIDDEN) VALUE(TYPEFLAG_FCONTROL) VALUE(TYPEFLAG_FDUAL) VALUE(TYPEFLAG_FNONEXTENSIBLE)             \
    VALUE(TYPEFLAG_FOLEAUTOMATION) VALUE(TYPEFLAG_FRESTRICTED) VALUE(TYPEFLAG_FAGGREGATABLE)                          \
    VALUE(TYPEFLAG_FREPLACEABLE) VALUE(TYPEFLAG_FDISPATCHABLE) VALUE(TYPEFLAG_FREVERSEBIND) VALUE(TYPEFLAG_FPROXY)    \
    VALUE(FUNCFLAG_FRESTRICTED) VALUE(FUNCFLAG_FSOURCE) VALUE(FUNCFLAG_FBINDABLE) VALUE(FUNCFLAG_FREQUESTEDIT)        \
    VALUE(FUNCFLAG_FDISPLAYBIND) VALUE(FUNCFLAG_FDEFAULTBIND) VALUE(FUNCFLAG_FHIDDEN)                                 \
    VALUE(FUNCFLAG_FUSESGETLASTERROR) VALUE(FUNCFLAG_FDEFAULTCOLLELEM) VALUE(FUNCFLAG_FUIDEFAULT)                     \
    VALUE(FUNCFLAG_FNONBROWSABLE) VALUE(FUNCFLAG_FREPLACEABLE) VALUE(FUNCFLAG_FIMMEDIATEBIND)                         \
    VALUE(VARFLAG_FREADONLY) VALUE(VARFLAG_FSOURCE) VALUE(VARFLAG_FBINDABLE) VALUE(VARFLAG_FREQUESTEDIT)              \
    VALUE(VARFLAG_FDISPLAYBIND) VALUE(VARFLAG_FDEFAULTBIND) VALUE(VARFLAG_FHIDDEN) VALUE(VARFLAG_FRESTRICTED)         \
    VALUE(VARFLAG_FDEFAULTCOLLELEM) VALUE(VARFLAG_FUIDEFAULT) VALUE(VARFLAG_FNONBROWSABLE)                            \
    VALUE(VARFLAG_FREPLACEABLE) VALUE(VARFLAG_FIMMEDIATEBIND)                                                         \
    VALUE(LIBFLAG_FRESTRICTED) VALUE(LIBFLAG_FCONTROL) VALUE(LIBFLAG_FHIDDEN) VALUE(LIBFLAG_FHASDISKIMAGE)            \
    VALUE(FACILITY_NULL) VALUE(FACILITY_RPC) VALUE(FACILITY_DISPATCH) VALUE(FACILITY_STORAGE) VALUE(FACILITY_ITF)     \
    VALUE(FACILITY_WIN32) VALUE(FACILITY_WINDOWS) VALUE(SEVERITY_SUCCESS) VALUE(SEVERITY_ERROR)                       \
    VALUE(LOCALE_USER_DEFAULT) VALUE(LOCALE_SYSTEM_DEFAULT) VALUE(LOCALE_NEUTRAL) VALUE(LOCALE_INVARIANT)            \
    VALUE(VAR_CALENDAR_HIJRI) VALUE(VAR_FORMAT_NOSUBSTITUTE)

/* Exported functions, compared parameter by parameter (AbiSignature.h). */
#define QOR_ABI_FUNCTIONS(FUNCTION)                                                                                   \
    FUNCTION(VarFormat) FUNCTION(VarTokenizeFormatString) FUNCTION(VarFormatFromTokens) FUNCTION(VarFormatDateTime)   \
    FUNCTION(VarFormatNumber) FUNCTION(VarFormatPercent) FUNCTION(VarFormatCurrency) FUNCTION(VarMonthName)           \
    FUNCTION(VarWeekdayName) FUNCTION(GetAltMonthNames)                                                               \
    FUNCTION(LoadTypeLib) FUNCTION(LoadTypeLibEx) FUNCTION(LHashValOfNameSys) FUNCTION(LHashValOfNameSysA)           \
    FUNCTION(ClearCustData) FUNCTION(CreateDispTypeInfo) FUNCTION(DispCallFunc) FUNCTION(DispInvoke)                  \
    FUNCTION(DispGetIDsOfNames)
/* clang-format on */

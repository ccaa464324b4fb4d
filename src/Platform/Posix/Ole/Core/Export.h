#pragma once

// The runtime is built with hidden visibility; only what carries OLE_API is
// part of the library's interface, as only what oleaut32 exports is Windows'.
#define OLE_API __attribute__((visibility("default")))

#ifdef __cplusplus
#define OLE_EXTERN_C extern "C"
#else
#define OLE_EXTERN_C extern
#endif

#define WINOLEAPI OLE_EXTERN_C OLE_API HRESULT STDAPICALLTYPE
#define WINOLEAPI_(type) OLE_EXTERN_C OLE_API type STDAPICALLTYPE
#define WINOLEAUTAPI OLE_EXTERN_C OLE_API HRESULT STDAPICALLTYPE
#define WINOLEAUTAPI_(type) OLE_EXTERN_C OLE_API type STDAPICALLTYPE
#define WINBASEAPI OLE_EXTERN_C OLE_API

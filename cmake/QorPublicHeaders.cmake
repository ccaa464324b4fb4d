# The public API: the headers a host or a host library includes, and all they
# include. Only these are installed, and only these make the version mark that
# host libraries carry (HostLibrary.h); every other header is the library's own
# and may change without a host library being rebuilt. scripts/check-package
# fails when an installed header includes one that is not installed. Paths are
# relative to src/.
set(QOR_PUBLIC_HEADERS
  # The engine, its options, the script factory, the host-library entry point, and the
  # extraction of COM classes with its records.
  Format/Engine/JavaScript/Com/ComExtractor.h
  Format/Engine/JavaScript/Com/ComObjectView.h
  Format/Engine/JavaScript/Com/ComV8Engine.h
  Format/Engine/JavaScript/Com/EngineOptions.h
  Format/Engine/JavaScript/Com/Export.h
  Format/Engine/JavaScript/Com/Extraction/ComClass.h
  Format/Engine/JavaScript/Com/Extraction/ComConstant.h
  Format/Engine/JavaScript/Com/Extraction/ComExtract.h
  Format/Engine/JavaScript/Com/Extraction/ComFunction.h
  Format/Engine/JavaScript/Com/Extraction/ComMembers.h
  Format/Engine/JavaScript/Com/Extraction/ComParameter.h
  Format/Engine/JavaScript/Com/Extraction/SharedList.h
  Format/Engine/JavaScript/Com/Extraction/TypeName.h
  Format/Engine/JavaScript/Com/HostCallScope.h
  Format/Engine/JavaScript/Com/HostLibrary.h
  Format/Engine/JavaScript/Com/ScriptFactory.h
  Format/Engine/JavaScript/Com/ScriptFunction.h
  Format/Engine/JavaScript/Error.h
  # COM support shared with host libraries: the base templates of COM objects, the
  # class registry, type libraries, the engine's interfaces.
  Platform/Windows/Com/AnsiText.h
  Platform/Windows/Com/ComClassEntry.h
  Platform/Windows/Com/ComClasses.h
  Platform/Windows/Com/ComRef.h
  Platform/Windows/Com/DispatchCreationInterface.h
  Platform/Windows/Com/DynamicDispatchEntries.h
  Platform/Windows/Com/IConnectionPointContainerImpl.h
  Platform/Windows/Com/IConnectionPointImpl.h
  Platform/Windows/Com/IDispatchExImpl.h
  Platform/Windows/Com/IDispatchImpl.h
  Platform/Windows/Com/IEnumImpl.h
  Platform/Windows/Com/IScriptStartStop.h
  Platform/Windows/Com/IUnknownImpl.h
  Platform/Windows/Com/InprocServerRegistration.h
  Platform/Windows/Com/OleActivation.h
  Platform/Windows/Com/OleText.h
  Platform/Windows/Com/ScopedDescription.h
  Platform/Windows/Com/ScriptInterface.h
  Platform/Windows/Com/ScriptSettings.h
  Platform/Windows/Com/TypeInfoAndAttribute.h
  Platform/Windows/Com/TypeLibrary.h
  Platform/Windows/Com/UnknownCreationHelperInterface.h
  Platform/Windows/Com/UnknownCreationInterface.h
  Platform/Windows/Com/V8ComInvokeInterface.h
  Platform/Windows/Com/VariantClearing.h
  # The one header product code includes for COM, and (off Windows) the runtime's
  # Windows API: what windows.h and oleauto.h declare there.
  Platform/Com.h
  Platform/Posix/Ole/Automation/Bstr.h
  Platform/Posix/Ole/Automation/ComSupport.h
  Platform/Posix/Ole/Automation/Dispatch.h
  Platform/Posix/Ole/Automation/DispatchEx.h
  Platform/Posix/Ole/Automation/EnumVariant.h
  Platform/Posix/Ole/Automation/ErrorInfo.h
  Platform/Posix/Ole/Automation/SafeArray.h
  Platform/Posix/Ole/Automation/UserLocale.h
  Platform/Posix/Ole/Automation/VarFormat.h
  Platform/Posix/Ole/Automation/Variant.h
  Platform/Posix/Ole/Core/Apartment.h
  Platform/Posix/Ole/Core/ClassFactory.h
  Platform/Posix/Ole/Core/ClassRegistry.h
  Platform/Posix/Ole/Core/ComponentRegistry.h
  Platform/Posix/Ole/Core/ErrorMessages.h
  Platform/Posix/Ole/Core/Export.h
  Platform/Posix/Ole/Core/FileBytes.h
  Platform/Posix/Ole/Core/Guid.h
  Platform/Posix/Ole/Core/HResult.h
  Platform/Posix/Ole/Core/InprocServers.h
  Platform/Posix/Ole/Core/Memory.h
  Platform/Posix/Ole/Core/Module.h
  Platform/Posix/Ole/Core/PeImage.h
  Platform/Posix/Ole/Core/ProgIdRegistry.h
  Platform/Posix/Ole/Core/ServiceProvider.h
  Platform/Posix/Ole/Core/TextConversion.h
  Platform/Posix/Ole/Core/Types.h
  Platform/Posix/Ole/Core/Unknown.h
  Platform/Posix/Ole/Dispatch/ConnectionPoint.h
  Platform/Posix/Ole/Dispatch/DispCallFunc.h
  Platform/Posix/Ole/Dispatch/DispInvoke.h
  Platform/Posix/Ole/Dispatch/ProvideClassInfo.h
  Platform/Posix/Ole/Ole.h
  Platform/Posix/Ole/TypeLib/CustomData.h
  Platform/Posix/Ole/TypeLib/DispTypeInfo.h
  Platform/Posix/Ole/TypeLib/LoadTypeLib.h
  Platform/Posix/Ole/TypeLib/NameHash.h
  Platform/Posix/Ole/TypeLib/TypeComp.h
  Platform/Posix/Ole/TypeLib/TypeDescription.h
  Platform/Posix/Ole/TypeLib/TypeInfo.h
  Platform/Posix/Ole/TypeLib/TypeInfo2.h
  Platform/Posix/Ole/TypeLib/TypeLib.h
  Platform/Posix/Ole/TypeLib/TypeLib2.h
  # What those use of the sibling libraries.
  Assert/Assert.h
  Assert/AssertInfo.h
  Id/Guid.h
)

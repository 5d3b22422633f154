#pragma once

// Numeric ids of the main window's controls. Every control's objectName is its id, so tests and
// tools find a control by the number the rest of the program uses for it.
namespace ControlId {

inline constexpr int AddNewKeywords = 1000;
inline constexpr int DomainList = 1008;
inline constexpr int SearchDomains = 1009;
inline constexpr int DeleteList = 1019;
inline constexpr int SelectAll = 1020;
inline constexpr int DeleteUnselected = 1021;
inline constexpr int UnselectAll = 1022;
inline constexpr int CopySelected = 1023;
inline constexpr int SaveSelected = 1024;
inline constexpr int SelectAvailable = 1025;
inline constexpr int StopSearch = 1026;
inline constexpr int Progress = 1027;
inline constexpr int SelectTaken = 1028;
inline constexpr int DeleteSelected = 1029;
inline constexpr int DeleteTaken = 1030;
inline constexpr int Banner = 1043;

} // namespace ControlId

#pragma once

// Numeric ids of the main window's controls. Every control keeps its id in the property
// kControlIdProperty beside its readable objectName, so tools still find a control by the number
// the rest of the program uses for it.
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

// Menu commands of the menu bar and of the list's context menu.
namespace CommandId {

inline constexpr int Exit = 2;
inline constexpr int CopyAllDomains = 57634;
inline constexpr int CopySelectedRow = 32772;
inline constexpr int OpenInBrowser = 32773;
inline constexpr int WhoisDomain = 32774;
inline constexpr int CopyAvailable = 32775;
inline constexpr int DeleteTaken = 32776;
inline constexpr int LoadPrefixes = 32777;
inline constexpr int LoadSuffixes = 32778;
inline constexpr int LoadKeywords = 32779;
inline constexpr int ListCopyAvailable = 32780;
inline constexpr int ListSaveAvailable = 32781;
inline constexpr int ListDeleteTaken = 32782;
inline constexpr int SaveAvailable = 32783;
inline constexpr int SaveAll = 32784;
inline constexpr int PrintList = 32786;
inline constexpr int About = 32787;
inline constexpr int CheckForUpdates = 32790;
inline constexpr int LoadTopWords = 32791;
inline constexpr int HelpTopics = 32792;
inline constexpr int VisitHomePage = 32793;
inline constexpr int FrequentlyAskedQuestions = 32794;
inline constexpr int UpdateRegistryList = 32795;
inline constexpr int OpenDomainList = 32796;
inline constexpr int ExportList = 32797;
inline constexpr int RefreshRegistryListAutomatically = 32798;
inline constexpr int AskDnsFirst = 32799;
inline constexpr int RememberAnswers = 32800;
inline constexpr int ForgetRememberedAnswers = 32801;

} // namespace CommandId

#pragma once

// Each test class of the window runs from the one test program.
int RunItemListModelTests(int argc, char** argv);
int RunMainFrameTests(int argc, char** argv);
int RunImportTests(int argc, char** argv);
int RunSearchFormTests(int argc, char** argv);
int RunOptionsSheetTests(int argc, char** argv);
int RunStartUpTests(int argc, char** argv);
int RunOutputCommandsTests(int argc, char** argv);
int RunToolsWindowTests(int argc, char** argv);
int RunTranslationTests(int argc, char** argv);
int RunPlayerCommandsTests(int argc, char** argv);
int RunPropertiesWindowTests(int argc, char** argv);
int RunCopyMoveTests(int argc, char** argv);
int RunCoverTests(int argc, char** argv);

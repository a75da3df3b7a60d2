# Program catalogue: the work-program page, the management page and the add dialog.
target_sources(vh_catalogue PRIVATE Catalogue.cpp ProcessChoices.cpp)
if(VH_WITH_QT)
    target_sources(vh_catalogue_gui PRIVATE
        WorkProgramPage.cpp
        ProgramManagePage.cpp
        uAddProgram.cpp
        CatalogueWrite.cpp
    )
endif()

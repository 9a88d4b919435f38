// Every dialog of the graphical program, once: its form's widget name (also
// its enumerator and its first slot in the widget table) and the facts about
// it that need no X, in widget-table order (the order the busy cursor visits
// them). The enumeration, the names, the counts and the table order
// (dialog_names.h) and the rows (dialog_table.h) are made from this list;
// the registry, the fallback resources, the failure handling and the help
// sections are checked against it when they are compiled, so a dialog
// added here and forgotten there does not build.
//
// A row names only what differs from the defaults of DialogRow
// (dialog_table.h): no parent dialog, modeless, no growth, placed by the
// resources, no help section, closed by none of the flags.
//
// A new dialog: a line here, its widget-table slots, its registry row, its
// own file (builder, resource lines, fill), then the resource file and the
// help file if it has a section.
#pragma once

#define QORVEL_DIALOGS(X) \
    X(ScanDialog, /* busy notice */ .modality = M::FULL, .width = 300, .height = 50, \
      .grows = true, .placement = P::PROGRAM) \
    X(PWDialog, /* password prompt */ .modality = M::FULL, .width = 200, .height = 100, \
      .placement = P::CENTRED, .closes_on_failure = true) \
    X(ConfigDialog, /* line-target table */ .modality = M::PRIMARY, .width = 500, .height = 450, \
      .help_on_popup = true, .help_on_popdown = true, .releases_close = true, \
      .closes_on_failure = true, .help_section = HELP_LINE_TABLE) \
    X(ErrorDialog, /* error box */ .modality = M::FULL, .width = 300, .height = 130, \
      .grows = true, .placement = P::PROGRAM) \
    X(AboutDialog, /* about box */ .modality = M::NONE, .width = 350, .height = 300, \
      .placement = P::CENTRED, .closes_itself = true) \
    X(QuestionDialog, /* download the firmware again? */ .modality = M::FULL, .width = 300, \
      .height = 150, .grows = true, .placement = P::CENTRED) \
    X(Config2Dialog, /* line-target editor */ .parent = D::ConfigDialog, .modality = M::PRIMARY, \
      .width = 450, .height = 610, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::ConfigDialog, .closes_on_failure = true, .help_section = HELP_LINE_EDIT) \
    X(RConfigDialog, /* router settings */ .modality = M::PRIMARY, .width = 490, .height = 420, \
      .help_on_popup = true, .help_on_popdown = true, .releases_close = true, \
      .closes_on_failure = true, .help_section = HELP_ROUTER_SETTINGS) \
    X(FilterDialog, /* filter table */ .parent = D::ConfigDialog, .modality = M::PRIMARY, \
      .width = 500, .height = 450, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::ConfigDialog, .closes_on_failure = true, \
      .help_section = HELP_FILTER_TABLE) \
    X(RouteDialog, /* route table */ .parent = D::ConfigDialog, .modality = M::PRIMARY, \
      .width = 500, .height = 450, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::ConfigDialog, .closes_on_failure = true, .help_section = HELP_ROUTE_TABLE) \
    X(AccountingDialog, /* accounting window */ .modality = M::PRIMARY, .width = 490, \
      .height = 450, .help_on_popup = true, .help_on_popdown = true, .releases_close = true, \
      .closes_on_failure = true, .help_section = HELP_ACCOUNTING) \
    X(RouterDialog, /* router overview */ .modality = M::PRIMARY, .width = 490, .height = 450, \
      .help_on_popup = true, .help_on_popdown = true, .releases_close = true) \
    X(Route2Dialog, /* route editor */ .parent = D::RouteDialog, .modality = M::PRIMARY, \
      .width = 490, .height = 320, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::RouteDialog, .closes_on_failure = true, .help_section = HELP_ROUTE_EDIT) \
    X(Filter2Dialog, /* filter editor */ .parent = D::FilterDialog, .modality = M::PRIMARY, \
      .width = 490, .height = 510, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::FilterDialog, .closes_on_failure = true, .help_section = HELP_FILTER_EDIT) \
    X(LineMonDialog, /* line monitor */ .modality = M::PRIMARY, .width = 490, .height = 680, \
      .help_on_popup = true, .help_on_popdown = true, .releases_close = true, \
      .closes_on_failure = true, .help_section = HELP_LINE_MONITOR) \
    X(LineMon2Dialog, /* connection set-up */ .parent = D::LineMonDialog, .modality = M::PRIMARY, \
      .width = 490, .height = 235, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::LineMonDialog, .closes_on_failure = true, \
      .help_section = HELP_CONNECTION_SETUP) \
    X(FileDialog, /* file selection */ .modality = M::FULL, .width = 400, .height = 0, \
      .grows = true, .placement = P::CENTRED, .closes_on_failure = true) \
    X(FirmwareDialog, /* firmware selection */ .parent = D::RConfigDialog, .modality = M::PRIMARY, \
      .width = 300, .height = 300, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::RConfigDialog, .closes_on_failure = true, .help_section = HELP_FIRMWARE) \
    X(HelpDialog, /* help window */ .modality = M::NONE, .width = 500, .height = 450) \
    X(SetPWDialog, /* router password */ .parent = D::RConfigDialog, .modality = M::PRIMARY, \
      .width = 300, .height = 250, .help_on_popup = true, .help_on_popdown = true, \
      .help_parent = D::RConfigDialog, .closes_on_failure = true, .help_section = HELP_PASSWORD) \
    X(Error2Dialog, /* unknown-protocols notice */ .modality = M::FULL, .width = 400, \
      .height = 180, .grows = true, .placement = P::CENTRED, .closes_itself = true, \
      .help_on_popup = true) \
    X(RepeatPWDialog, /* new password, repeated */ .parent = D::SetPWDialog, .modality = M::FULL, \
      .width = 200, .height = 100, .placement = P::CENTRED, .help_on_popup = true, \
      .closes_on_failure = true) \
    X(InputPWDialog, /* new password */ .parent = D::SetPWDialog, .modality = M::FULL, \
      .width = 200, .height = 100, .placement = P::CENTRED, .help_on_popup = true, \
      .closes_on_failure = true) \
    X(Question2Dialog, /* reset before the download? */ .modality = M::FULL, .width = 300, \
      .height = 150, .grows = true, .closes_on_failure = true)

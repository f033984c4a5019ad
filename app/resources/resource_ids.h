#pragma once

// Identifiers of orvane.exe's resources, shared by the resource script and the code.
#define ORVANE_IDI_APPLICATION 101  // icon group: the application icon
#define ORVANE_IDR_ICON_SHEET 201   // RCDATA: the PNG sheet the UI icons are cut from

// Resource identifiers of the settings, port and about dialogs and of the pictures they show.
// The numbers are fixed: line tools and tests find the controls by them. The program's resource
// script (station/app) and the dialogs' tests include this header.
#pragma once

// Icons and pictures.
#define IDR_MAINFRAME 128  // the program icon, also drawn in the about box
#define IDI_PORT 134       // beside the port controls
#define IDB_ABOUT 140      // the about box picture, 380 x 110, 24 bits

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_SETTING 133
#define IDD_PORT 135

// Settings dialog (dialog 133).
#define IDC_SET_CHECK_IMEI1 1008
#define IDC_SET_CHECK_IMEI2 1009
#define IDC_SET_CHECK_IMEI3 1012
#define IDC_SET_CHECK_BT 1014
#define IDC_SET_CHECK_SN1 1015
#define IDC_SET_CHECK_WIFI 1016
#define IDC_SET_CHECK_SN2 1017
#define IDC_SET_CHECK_SIM 1018
#define IDC_SET_CHECK_TCARD 1019
#define IDC_SET_CHECK_MODEM 1020
#define IDC_SET_MODEM_VERSION 1021
#define IDC_SET_CHECK_AP 1022
#define IDC_SET_AP_VERSION 1023
#define IDC_SET_STATION_LIST 1027
#define IDC_SET_CHECK_MMI 1028
#define IDC_SET_ACCOUNTS 1032
#define IDC_SET_CALFLAG_LIST 1034
#define IDC_SET_WCDMA_GSM 1054
#define IDC_SET_WG_MODE 1057
#define IDC_SET_IMEI1_FIRST_FEW 1059
#define IDC_SET_CHECK_FGU_TYPE 1060
#define IDC_SET_IMEI2_FIRST_FEW 1061
#define IDC_SET_POWER_OFF 1062
#define IDC_SET_IMEI3_FIRST_FEW 1063
#define IDC_SET_SAVE_LOG 1064
#define IDC_SET_BT_FIRST_FEW 1065
#define IDC_SET_SECURE_BOOT 1066
#define IDC_SET_WIFI_FIRST_FEW 1067
#define IDC_SET_FACTORY_RESET 1068
#define IDC_SET_SN1_FIRST_FEW 1069
#define IDC_SET_LIMIT_LIST 1070
#define IDC_SET_LIMIT_EDIT 1071
#define IDC_SET_IMEI1_PREFIX 1072
#define IDC_SET_IMEI2_PREFIX 1073
#define IDC_SET_IMEI3_PREFIX 1074
#define IDC_SET_BT_PREFIX 1075
#define IDC_SET_WIFI_PREFIX 1076
#define IDC_SET_SN1_PREFIX 1077
#define IDC_SET_SN2_PREFIX 1078
#define IDC_SET_SN2_FIRST_FEW 1079

// Port and instruments dialog (dialog 135).
#define IDC_PORT_PORT 1033
#define IDC_PORT_BAUD 1035
#define IDC_PORT_REMOTE 1037
#define IDC_PORT_DC_TYPE1 1038
#define IDC_PORT_GPIB_TYPE1 1039
#define IDC_PORT_GPIB_CARD1 1040
#define IDC_PORT_DC_TYPE2 1041
#define IDC_PORT_GPIB_ADDR1 1042
#define IDC_PORT_ADDR_SPIN1 1043
#define IDC_PORT_VOLTAGE1 1044
#define IDC_PORT_CARD_SPIN1 1045
#define IDC_PORT_GPIB_TYPE2 1047
#define IDC_PORT_GPIB_CARD2 1049
#define IDC_PORT_GPIB_ADDR2 1051
#define IDC_PORT_VOLTAGE2 1053
#define IDC_PORT_ADDR_SPIN2 1055
#define IDC_PORT_CARD_SPIN2 1058
#define IDC_PORT_DUAL_BATTERY 1061
#define IDC_PORT_SUPPLY1 1067
#define IDC_PORT_SUPPLY2 1069

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* The product version carried by every binary of the product. */
#pragma once
#define WX_VERSION_MAJOR 3
#define WX_VERSION_MINOR 8
#define WX_VERSION_RELEASE 10
#define WX_VERSION_BUILD 0
#define WX_VERSION_TEXT "3.8.10.0"

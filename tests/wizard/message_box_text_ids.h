#pragma once
// The string that the customer-code cases of the message-box tests name by
// identifier (message_box_texts.rc); the next identifier names no string.
#define IDS_TEST_REPORTED_TEXT 501
#define IDS_TEST_NO_SUCH_TEXT 502

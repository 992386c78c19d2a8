// The one QApplication of the test program (offscreen platform under CTest).
#pragma once

class QApplication;

QApplication& TestApplication();

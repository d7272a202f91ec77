#include "app/web/page_calls.h"

#include <emscripten/emscripten.h>

// Each call hands its arguments to the global `plixPage` of page.js; strings go as code page 932
// bytes, which the page decodes as the system does for the "A" functions.

EM_JS(void, PageStartTimer, (), { plixPage.startTimer(); });
EM_JS(void, PageStopTimer, (), { plixPage.stopTimer(); });
EM_JS(void, PageRequestRepaint, (), { plixPage.requestRepaint(); });
// Imported under a name of its own (EM_ASYNC_JS marks it so for Asyncify), hence the wrapper.
EM_ASYNC_JS(void, ShowMessageAndWait, (const char* text, const char* caption), {
    await plixPage.showMessage(plixPage.cp932(HEAPU8, text), plixPage.cp932(HEAPU8, caption));
});

void PageShowMessage(const char* text, const char* caption) {
    ShowMessageAndWait(text, caption);
}

EM_JS(void, PageBeginPaint, (int width, int height), { plixPage.beginPaint(width, height); });
EM_JS(void, PageLine, (int x0, int y0, int x1, int y1), { plixPage.line(x0, y0, x1, y1); });
EM_JS(void, PageDisc, (int left, int top, int right, int bottom, int side),
      { plixPage.disc(left, top, right, bottom, side); });
EM_JS(void, PageSetTitle, (const char* title),
      { plixPage.setTitle(plixPage.cp932(HEAPU8, title)); });

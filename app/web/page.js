"use strict";
// The page as the game's window: it hosts the C++ window procedure (main_window.cpp) and carries
// out what that asks (page_calls.cpp). Like the Windows program, it sends the menu commands,
// the presses on the board, the timer's ticks and the paints, and decides nothing of the game.
var plixPage = (function () {
  const texts = plixTexts;
  const decoder = new TextDecoder("shift_jis");
  const client = document.getElementById("client");
  const canvas = document.getElementById("board");
  const titleBar = document.getElementById("title");
  const context = canvas.getContext("2d");
  const opponent = document.getElementById("opponent");
  let timer = 0;
  let paintPending = false;
  let running = false;

  function cp932(heap, address) {
    let end = address;
    while (heap[end] !== 0) {
      end++;
    }
    return decoder.decode(heap.subarray(address, end));
  }

  // As with WM_PAINT, repaints asked for in one turn of events come as one.
  function paint() {
    paintPending = false;
    if (running) {
      Module._WindowPaint(client.clientWidth, client.clientHeight);
    }
  }

  function requestRepaint() {
    if (!paintPending) {
      paintPending = true;
      requestAnimationFrame(paint);
    }
  }

  // A modal box over the window, as the owner-disabled boxes of Windows: the rest of the page
  // takes no input while it is open, but timers and paints go on. Resolves to the button chosen;
  // Escape gives the last button's value, as Cancel or the only OK.
  function box(caption, text, icon, buttons) {
    const dialog = document.getElementById("message").content.firstElementChild.cloneNode(true);
    dialog.querySelector(".caption").textContent = caption;
    dialog.querySelector(".text").textContent = text;
    const iconElement = dialog.querySelector(".icon");
    if (icon) {
      iconElement.className = "icon " + icon;
      iconElement.textContent = icon === "question" ? "?" : "i";
    }
    const row = dialog.querySelector(".buttons");
    for (const [value, label] of buttons) {
      const button = document.createElement("button");
      button.value = value;
      button.textContent = label;
      row.appendChild(button);
    }
    document.body.appendChild(dialog);
    return new Promise((resolve) => {
      dialog.addEventListener("close", () => {
        dialog.remove();
        resolve(dialog.returnValue || buttons[buttons.length - 1][0]);
      });
      dialog.showModal();
      row.firstElementChild.focus();
    });
  }

  function modalOpen() {
    return document.querySelector("dialog[open]") !== null;
  }

  function openOpponentDialog() {
    const form = opponent.querySelector("form");
    form.elements.red.value = String(Module._WindowKind(1));
    form.elements.blue.value = String(Module._WindowKind(2));
    opponent.returnValue = "";
    opponent.style.left = "12px";
    opponent.style.top = client.getBoundingClientRect().top + 30 + "px";
    opponent.showModal();
  }

  opponent.addEventListener("close", () => {
    if (opponent.returnValue === "ok") {
      const form = opponent.querySelector("form");
      Module._WindowSetKinds(Number(form.elements.red.value), Number(form.elements.blue.value));
    }
  });

  // The window closed: the game ends and nothing of it is left to act.
  function closeWindow() {
    running = false;
    clearInterval(timer);
    document.getElementById("window").remove();
    document.title = "";
    window.close();
  }

  const commands = {
    101: openOpponentDialog,
    102: async () => {
      const answer = await box(texts.kExitCaption, texts.kExitQuestion, "question", [
        ["ok", texts.ok],
        ["cancel", texts.cancel],
      ]);
      if (answer === "ok" && running) {
        closeWindow();
      }
    },
    103: () => Module._WindowStart(),
    104: () => Module._WindowUndo(),
    105: () => window.open("plix-help.html", "_blank"),
    106: () => box(texts.kAboutCaption, texts.kAboutText, "information", [["ok", texts.ok]]),
  };

  // The menu: a popup opens under its bar entry; in an open popup a mnemonic letter chooses.
  let openPopup = null;

  function closePopup() {
    if (openPopup) {
      openPopup.hidden = true;
      openPopup.previousElementSibling.setAttribute("aria-expanded", "false");
      openPopup = null;
    }
  }

  function showPopup(popup) {
    closePopup();
    popup.hidden = false;
    popup.previousElementSibling.setAttribute("aria-expanded", "true");
    openPopup = popup;
    popup.querySelector("button").focus();
  }

  document.querySelector(".menubar").addEventListener("click", (event) => {
    const button = event.target.closest("button");
    if (!button || !running || modalOpen()) {
      return;
    }
    const popup = button.hasAttribute("aria-controls") && document.getElementById(button.getAttribute("aria-controls"));
    if (popup) {
      if (popup === openPopup) {
        closePopup();
      } else {
        showPopup(popup);
      }
      return;
    }
    closePopup();
    commands[button.dataset.command]();
  });

  document.addEventListener("keydown", (event) => {
    if (!openPopup) {
      return;
    }
    const items = Array.from(openPopup.querySelectorAll("button"));
    const chosen = items.find((item) => item.dataset.key === event.key.toLowerCase());
    if (event.key === "Escape") {
      closePopup();
    } else if (event.key === "ArrowDown" || event.key === "ArrowUp") {
      const step = event.key === "ArrowDown" ? 1 : items.length - 1;
      items[(items.indexOf(document.activeElement) + step) % items.length].focus();
    } else if (chosen) {
      chosen.click();
    } else {
      return;
    }
    event.preventDefault();
  });

  // A press outside an open popup only closes it, as a click beside an open menu does.
  let pressClosedPopup = false;
  document.addEventListener(
    "pointerdown",
    (event) => {
      pressClosedPopup = openPopup !== null && !openPopup.parentElement.contains(event.target);
      if (pressClosedPopup) {
        closePopup();
      }
    },
    true,
  );

  // A press of the left button is a click; as with a window class that asks for double-clicks,
  // the second press of a quick double-click is not. A touch or a pen is a click too.
  function press(event) {
    if (!running || modalOpen() || pressClosedPopup) {
      pressClosedPopup = false;
      return;
    }
    const bounds = canvas.getBoundingClientRect();
    Module._WindowPress(Math.max(0, Math.floor(event.clientX - bounds.left)),
                        Math.max(0, Math.floor(event.clientY - bounds.top)));
  }
  canvas.addEventListener("mousedown", (event) => {
    if (event.button === 0 && event.detail % 2 !== 0) {
      press(event);
    }
  });
  canvas.addEventListener("pointerdown", (event) => {
    if (event.pointerType !== "mouse") {
      event.preventDefault();
      press(event);
    }
  });

  window.addEventListener("resize", requestRepaint);

  return {
    cp932: cp932,
    requestRepaint: requestRepaint,
    startTimer() {
      clearInterval(timer);
      timer = setInterval(() => Module._WindowTick(), 500);
    },
    stopTimer() {
      clearInterval(timer);
      timer = 0;
    },
    showMessage(text, caption) {
      return box(caption, text, "", [["ok", texts.ok]]);
    },
    beginPaint(width, height) {
      const scale = window.devicePixelRatio || 1;
      canvas.style.width = width + "px";
      canvas.style.height = height + "px";
      canvas.width = Math.round(width * scale);
      canvas.height = Math.round(height * scale);
      context.setTransform(scale, 0, 0, scale, 0, 0);
      context.fillStyle = "#ffffff";
      context.fillRect(0, 0, width, height);
      context.fillStyle = "#000000";
    },
    // A one-pixel line, across or down, up to its end point and without it, as LineTo draws: a
    // line of no length draws nothing.
    line(x0, y0, x1, y1) {
      context.fillStyle = "#000000";
      if (x1 > x0) {
        context.fillRect(x0, y0, x1 - x0, 1);
      } else if (y1 > y0) {
        context.fillRect(x0, y0, 1, y1 - y0);
      }
    },
    disc(left, top, right, bottom, side) {
      if (right <= left || bottom <= top) {
        return;
      }
      context.fillStyle = side === 1 ? "#ff0000" : "#0000ff";
      context.beginPath();
      context.ellipse((left + right) / 2, (top + bottom) / 2, (right - left) / 2, (bottom - top) / 2, 0, 0, 2 * Math.PI);
      context.fill();
    },
    setTitle(title) {
      document.title = title;
      titleBar.textContent = title;
    },
    // The window is shown and painted once before anything else, as UpdateWindow does.
    start() {
      running = true;
      paint();
      performance.mark("plix-first-paint");
    },
  };
})();

var Module = { onRuntimeInitialized: () => plixPage.start() };

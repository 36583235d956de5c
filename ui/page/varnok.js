/*
 * Wrappers of the native methods of the client, one function per method,
 * each returning a promise of the method's text answer.
 *
 * The page is served by the program itself on the loopback address. A method
 * call is "POST /call/<name>" with the text arguments as a JSON array; an
 * "app:" navigation is "POST /navigate" with the address; leaving the page
 * sends "POST /close". Every request carries the per-run token that the
 * program put into the page's own address.
 */
(function (global) {
  "use strict";

  var token = new URLSearchParams(global.location.search).get("token") || "";

  function post(path, body) {
    return global
      .fetch(path, {
        method: "POST",
        headers: {
          "Content-Type": "application/json",
          "X-Dravanta-Token": token
        },
        body: JSON.stringify(body),
        cache: "no-store",
        credentials: "omit"
      })
      .then(function (response) {
        if (!response.ok) {
          throw new Error(path + " answered " + response.status);
        }
        return response.text();
      });
  }

  // Every argument crosses as a text, as the native methods expect.
  function callNative(method, args) {
    var texts = Array.prototype.map.call(args, function (a) {
      return a === undefined || a === null ? "" : String(a);
    });
    return post("/call/" + method, texts);
  }

  var methods = [
    "getScanStatus",
    "getLastFileScanning",
    "getScanResults",
    "getScanDetails",
    "getLastErrorMessage",
    "openLink",
    "doSaveResult",
    "reportIssue",
    "getEnabledScanLevels",
    "pickFileFolder",
    "getClientInfo",
    "log"
  ];
  methods.forEach(function (name) {
    global[name] = function () {
      return callNative(name, arguments);
    };
  });

  // reportIssue answers a boolean natively; the text "false" becomes false.
  var reportIssueText = global.reportIssue;
  global.reportIssue = function (a, b) {
    return reportIssueText(a, b).then(function (answer) {
      return answer === "true";
    });
  };

  // The only way the page navigates. "app:" addresses are commands run by
  // the program; the host answers "navigate" for any other address, which
  // the page then opens itself.
  global.windowNavigate = function (address) {
    return post("/navigate", [String(address)]).then(function (answer) {
      if (answer === "navigate") {
        global.location.href = address;
      }
      return answer;
    });
  };

  global.stopScan = function () {
    return global.windowNavigate("app:1005@StopScan");
  };

  // Closing the tab or window is the close of the program's window. A
  // reload sends this too; the program waits a moment and ignores it when
  // the page comes back.
  global.addEventListener("pagehide", function () {
    if (global.navigator.sendBeacon) {
      global.navigator.sendBeacon("/close?token=" + encodeURIComponent(token), "");
    }
  });
})(window);

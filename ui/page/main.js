/*
 * The client's page: scan level choice, custom target list, progress while
 * a scan runs, the clean or infected result lists with each engine's
 * verdict, the error view, saving the report and closing the program.
 *
 * Native methods (varnok.js) answer promises of texts. The page learns about
 * a scan only by polling. Every text that comes from the program goes into
 * the page with $.fn.text, never as markup.
 */
(function (global, $) {
  "use strict";

  var POLL_INTERVAL_MS = 200;
  var FINAL_STATES = ["infected", "clean", "error"];

  var LEVELS = {
    0: { duration: "", description: "Select folders to scan", disabledTip: "Custom scan is disabled" },
    1: { duration: "Seconds to Minutes", description: "Scan active processes", disabledTip: "Fast scan is disabled" },
    2: {
      duration: "5 Minutes to 2 Hours",
      description: "Scan active processes and loaded libraries",
      disabledTip: "This type of scan is disabled"
    },
    3: { duration: "Hours to Days", description: "Scan all files on system", disabledTip: "Full scan is disabled" }
  };

  var LEGEND_IMAGES = {
    0: "IMG_WRENCH",
    1: "IMG_LEVEL_FAST",
    2: "IMG_LEVEL_DEEP",
    3: "IMG_LEVEL_FULL"
  };

  // Names of the engines' result numbers, by number.
  var ENGINE_RESULT_NAMES = [
    "Threat not detected",
    "Threat detected",
    "Suspicious",
    "Failed To Scan",
    "Cleaned",
    "Unknown",
    "Quarantined",
    "Skipped Clean",
    "Skipped Dirty",
    "Exceeded Archive Depth",
    "Not Scanned",
    "Aborted",
    "Encrypted",
    "Exceeded Archive Size",
    "Exceeded Archive File Number"
  ];
  var THREAT_RESULTS = [1, 2, 4, 6, 8]; // shown in red

  var LINKS = {
    product: "https://www.varnok.example/dravanta-client",
    support: "https://support.varnok.example/",
    maker: "https://www.varnok.example/"
  };

  var state = {
    view: null,
    enabledLevels: [],
    level: 1,
    levelBeforeCustom: 1,
    scanState: "",
    scanLevel: null, // level of the scan being polled, null when none runs
    folders: [],
    files: [],
    details: null,
    // What the exit question depends on: the two settings, and the file
    // scan the program runs ("" none, "clean" no threat so far, "threats").
    exitOnClean: false,
    exitOnDirty: false,
    fileScan: "",
    notScanned: null, // {line, files: [[path, category, reason], ...]} of the last scan
    resultView: null // the result view the list of files not scanned returns to
  };

  var threatGrid = null;
  var engineGrid = null;
  var notScannedGrid = null;
  var errorGrid = null;

  // ---- helpers -----------------------------------------------------------

  function showView(name) {
    $(".view").prop("hidden", true);
    $("#view-" + name).prop("hidden", false);
    state.view = name;
    $("body").attr("data-view", name);
    if (name === "infected" && threatGrid) threatGrid.redraw();
    if (name === "detail" && engineGrid) engineGrid.redraw();
  }

  function report(context, error) {
    var text = context + ": " + (error && error.message ? error.message : String(error));
    global.log(text).catch(function () {});
  }

  // The program stopped answering (ended, or the page outlived it).
  function connectionLost(error) {
    state.scanLevel = null;
    $("#error-message").text("The connection to the program was lost.");
    $("#view-error .verdict-text").text("The program is not answering");
    $("#view-error .actions, #view-error .close-view").prop("hidden", true);
    showView("error");
    if (global.console) global.console.error(error);
  }

  // Parses a text of the program; a failure goes to the program's log.
  function parseAnswer(text, what) {
    try {
      return JSON.parse(text);
    } catch (error) {
      report(what + " could not be read", error);
      return null;
    }
  }

  function isFinal(status) {
    return FINAL_STATES.indexOf(status) >= 0;
  }

  function isEnabled(level) {
    return state.enabledLevels.indexOf(String(level)) >= 0;
  }

  // The native side percent-decodes the path list and splits it at "|".
  function encodePath(path) {
    return path.replace(/%/g, "%25").replace(/\|/g, "%7C");
  }

  // ---- start view --------------------------------------------------------

  function selectLevel(level) {
    state.level = level;
    var texts = LEVELS[level];
    $("#level-duration").text(texts.duration);
    $("#level-description").text(texts.description);
    $(".legend[data-level]").removeClass("selected");
    $("#legend-" + level).addClass("selected");
    if (level >= 1) {
      $("#level-slider").slider("option", "value", level);
    }
    $("#scan-button").prop("disabled", level === 0);
  }

  function setUpLevels() {
    [0, 1, 2, 3].forEach(function (level) {
      var $legend = level === 0 ? $("#custom-entry") : $("#legend-" + level);
      var enabled = isEnabled(level);
      $legend.toggleClass("enabled", enabled).toggleClass("disabled", !enabled);
      $legend.find("img").first().attr("src", LEGEND_IMAGES[level] + (enabled ? "" : "_DISABLED"));
      $legend.attr("tabindex", enabled ? 0 : -1).attr("aria-disabled", String(!enabled));
      if (!enabled) {
        $legend.attr("title", LEVELS[level].disabledTip).tooltip({ track: false, show: false, hide: false });
      }
    });

    $("#level-slider").slider({
      min: 1,
      max: 3,
      step: 1,
      value: 1,
      slide: function (event, ui) {
        if (!isEnabled(ui.value)) return false;
        selectLevel(ui.value);
        return true;
      },
      change: function (event, ui) {
        if (event.originalEvent && isEnabled(ui.value)) selectLevel(ui.value);
      }
    });

    var lowest = [1, 2, 3].filter(isEnabled)[0];
    if (lowest === undefined) {
      // Only the custom scan can be run.
      $("#level-slider").slider("disable");
      selectLevel(0);
    } else {
      selectLevel(lowest);
    }
    state.levelBeforeCustom = state.level;
  }

  function bindLevelControls() {
    $("#level-legends").on("click keydown", ".legend", function (event) {
      if (event.type === "keydown" && event.key !== "Enter" && event.key !== " ") return;
      var level = Number($(this).attr("data-level"));
      if (isEnabled(level)) selectLevel(level);
    });
    $("#custom-entry").on("click keydown", function (event) {
      if (event.type === "keydown" && event.key !== "Enter" && event.key !== " ") return;
      if (isEnabled(0)) enterCustomView();
    });
    $("#scan-button").on("click", function () {
      if (state.level >= 1 && isEnabled(state.level)) startScan(state.level, []);
    });
  }

  // ---- custom scan view --------------------------------------------------

  function enterCustomView() {
    if (state.level !== 0) state.levelBeforeCustom = state.level;
    state.level = 0;
    state.folders = [];
    state.files = [];
    $("#pick-path").val("");
    $("#pick-message").prop("hidden", true);
    renderTargets();
    showView("custom");
    $("#target-list").nanoScroller();
    $("#pick-path").trigger("focus");
  }

  function leaveCustomView() {
    state.folders = [];
    state.files = [];
    renderTargets();
    selectLevel(isEnabled(state.levelBeforeCustom) ? state.levelBeforeCustom : firstLevelOrCustom());
    showView("start");
  }

  function firstLevelOrCustom() {
    var lowest = [1, 2, 3].filter(isEnabled)[0];
    return lowest === undefined ? 0 : lowest;
  }

  function renderList($list, entries, kind) {
    $list.empty();
    entries.forEach(function (path, index) {
      var $item = $("<li>", { class: "target" });
      $("<img>", { src: kind === "folder" ? "IMG_FOLDER" : "IMG_FILE", alt: "" }).appendTo($item);
      $("<span>", { class: "target-path" })
        .append($("<span>").text(path))
        .attr("title", path)
        .appendTo($item);
      $("<button>", { type: "button", class: "remove", title: "Remove", "aria-label": "Remove" })
        .attr("data-kind", kind)
        .attr("data-index", index)
        .append($("<img>", { src: "IMG_REMOVE", alt: "" }))
        .appendTo($item);
      $list.append($item);
    });
  }

  function renderTargets() {
    renderList($("#folder-list"), state.folders, "folder");
    renderList($("#file-list"), state.files, "file");
    var count = state.folders.length + state.files.length;
    $("#no-targets").prop("hidden", count > 0);
    $("#folders-title").prop("hidden", state.folders.length === 0);
    $("#files-title").prop("hidden", state.files.length === 0);
    $("#custom-scan-button").prop("disabled", count === 0);
    if (state.view === "custom") $("#target-list").nanoScroller();
  }

  function addTarget(list, path) {
    if (list.indexOf(path) < 0) {
      list.push(path);
      list.sort();
    }
  }

  function showPickMessage(text) {
    $("#pick-message").text(text).prop("hidden", !text);
  }

  function pickTarget(typed) {
    if (typed === "") return Promise.resolve();
    // One question at a time; the button comes back with the answer.
    $("#pick-add").prop("disabled", true);
    return global.pickFileFolder(typed).then(function (answer) {
      $("#pick-add").prop("disabled", false);
      if (answer === "") {
        showPickMessage(
          typed.charAt(0) === "/"
            ? "No folder or file was found at " + typed
            : "Type the full path of a folder or file, starting with /"
        );
        return;
      }
      var picked = parseAnswer(answer, "The picked folder");
      var first = Array.isArray(picked) ? picked[0] : null;
      if (first && typeof first.folder === "string") {
        addTarget(state.folders, first.folder);
      } else if (first && typeof first.file === "string") {
        addTarget(state.files, first.file);
      } else {
        showPickMessage("No folder or file was found at " + typed);
        return;
      }
      showPickMessage("");
      // Keep whatever was typed meanwhile.
      if ($("#pick-path").val() === typed) $("#pick-path").val("");
      renderTargets();
    });
  }

  function bindCustomControls() {
    $("#pick-form").on("submit", function (event) {
      event.preventDefault();
      pickTarget($("#pick-path").val()).catch(connectionLost);
    });
    $("#target-list").on("click", ".remove", function () {
      var list = $(this).attr("data-kind") === "folder" ? state.folders : state.files;
      list.splice(Number($(this).attr("data-index")), 1);
      renderTargets();
    });
    $("#custom-close").on("click", leaveCustomView);
    $("#custom-scan-button").on("click", function () {
      var paths = state.folders.concat(state.files);
      if (paths.length > 0) startScan(0, paths);
    });
  }

  // ---- scanning ----------------------------------------------------------

  function startScan(level, paths) {
    var argument = level + "|" + paths.map(encodePath).join("|");
    state.scanLevel = level;
    // Until the program says otherwise: levels 0 and 3 scan files.
    state.fileScan = level === 0 || level === 3 ? "clean" : "";
    state.scanState = "";
    $("#action-text").text("Initializing...");
    $("#scanning-text").empty();
    showView("detection");
    global
      .windowNavigate("app:1005@ScanNow:" + argument)
      .then(poll)
      .catch(connectionLost);
  }

  function showProgress(status, file) {
    $("#action-text").text(status);
    var $text = $("#scanning-text").empty();
    if (file !== "") {
      $text.append(document.createTextNode("Now scanning: "), $("<br>"), $("<span>", { class: "current-file" }).text(file));
    }
  }

  function poll() {
    return global.getScanStatus("").then(function (status) {
      state.scanState = status;
      if (!isFinal(status)) {
        return global
          .getClientInfo("fileScan")
          .then(function (fileScan) {
            state.fileScan = fileScan;
            return global.getLastFileScanning("");
          })
          .then(function (file) {
            showProgress(status, file);
            global.setTimeout(function () {
              poll().catch(connectionLost);
            }, POLL_INTERVAL_MS);
          });
      }
      state.scanLevel = null;
      state.fileScan = "";
      return finishScan(status);
    });
  }

  function finishScan(status) {
    return global
      .getClientInfo("notScanned")
      .then(function (text) {
        state.notScanned = text === "" ? null : parseAnswer(text, "The files not scanned");
        return global.getScanResults("");
      })
      .then(function (resultsText) {
        if (status === "infected") {
          return global.getScanDetails("").then(function (detailsText) {
            showInfected(resultsText, detailsText);
          });
        }
        if (status === "error") {
          return global.getLastErrorMessage("").then(showError);
        }
        showClean(resultsText);
      });
  }

  // ---- results -----------------------------------------------------------

  // The counts line of the files not scanned, which opens their list.
  function fillNotScanned($view) {
    var info = state.notScanned;
    var line = info && typeof info.line === "string" ? info.line : "";
    $view.find(".not-scanned").prop("hidden", line === "");
    $view.find(".not-scanned-line").text(line);
  }

  function notScannedRows() {
    return state.notScanned && Array.isArray(state.notScanned.files) ? state.notScanned.files : [];
  }

  function showNotScanned($from) {
    state.resultView = $from.attr("id").replace("view-", "");
    $("#not-scanned-summary").text(state.notScanned ? state.notScanned.line : "");
    showView("not-scanned");
    notScannedGrid.setRows(notScannedRows());
  }

  function fillSummary($view, results) {
    function value(v) {
      return v === undefined || v === null ? "" : String(v);
    }
    $view.find(".sum-engine").text(value(results && results.engine));
    $view.find(".sum-files").text(value(results && results.fileScanned));
    $view.find(".sum-time").text(value(results && results.scanTime));
    $view.find(".save-message").prop("hidden", true).text("");
    fillNotScanned($view);
  }

  function showClean(resultsText) {
    var results = parseAnswer(resultsText, "The scan results");
    fillSummary($("#view-clean"), results);
    showView("clean");
  }

  function showInfected(resultsText, detailsText) {
    var results = parseAnswer(resultsText, "The scan results");
    var rows = results && Array.isArray(results.result) ? results.result : [];
    var count = results && typeof results.numThreats === "number" ? results.numThreats : rows.length;
    state.details = parseAnswer(detailsText, "The scan details");
    fillSummary($("#view-infected"), results);
    $("#threat-count-text").text(count + " Threats Found");
    showView("infected");
    threatGrid.setRows(rows);
  }

  function engineResultName(number) {
    if (typeof number === "number" && number >= 0 && number < ENGINE_RESULT_NAMES.length && number % 1 === 0) {
      return ENGINE_RESULT_NAMES[number];
    }
    return "Unknown";
  }

  function showDetail(index, row) {
    var entry = null;
    if (Array.isArray(state.details) && state.details[index]) {
      entry = state.details[index]["index_" + index];
    }
    $("#detail-path").text(String(row[0])).attr("title", String(row[0]));
    $("#detail-message")
      .text("No engine details are available for this file.")
      .prop("hidden", Array.isArray(entry));
    showView("detail");
    engineGrid.setRows(Array.isArray(entry) ? entry : []);
  }

  function showError(message) {
    $("#view-error .verdict-text").text("The scan could not be completed");
    $("#view-error .actions, #view-error .close-view").prop("hidden", false);
    $("#error-message").text(message);
    fillNotScanned($("#view-error"));
    // The files that failed, with their reasons, right below the message.
    var failed = notScannedRows().filter(function (row) {
      return row[1] === "failed";
    });
    $("#error-grid").prop("hidden", failed.length === 0);
    showView("error");
    errorGrid.setRows(failed);
  }

  function createGrids() {
    threatGrid = DravantaGrid.create($("#threat-grid"), {
      columns: [
        { title: "Path", width: "62%", path: true },
        {
          title: "Virus Name",
          width: "38%",
          cell: function ($cell, row) {
            var name = row[1] === undefined || row[1] === null ? "" : String(row[1]);
            $cell.addClass("threat").text(name).attr("title", name);
          }
        }
      ],
      onActivate: showDetail
    });
    var fileColumns = [
      { title: "Path", width: "50%", path: true },
      { title: "Category", width: "16%" },
      { title: "Reason", width: "34%" }
    ];
    notScannedGrid = DravantaGrid.create($("#not-scanned-grid"), { columns: fileColumns });
    errorGrid = DravantaGrid.create($("#error-grid"), { columns: fileColumns });
    engineGrid = DravantaGrid.create($("#engine-grid"), {
      columns: [
        { title: "Engines", width: "32%" },
        {
          title: "Results",
          width: "38%",
          cell: function ($cell, row) {
            var number = row[1];
            var name = engineResultName(number);
            var red = THREAT_RESULTS.indexOf(number) >= 0;
            $cell.addClass(red ? "result-red" : "result-grey").text(name).attr("title", name);
          }
        },
        {
          title: "Name",
          width: "30%",
          cell: function ($cell, row) {
            var threat = row[2] === undefined || row[2] === null ? "" : String(row[2]);
            if (threat !== "") {
              $cell.addClass("threat").text("[" + threat + "]").attr("title", threat);
            }
          }
        }
      ]
    });
  }

  // ---- saving, starting over, closing ------------------------------------

  var $saveTarget = null; // the result view whose message shows the outcome

  function openSaveDialog($view) {
    $saveTarget = $view;
    return global.getClientInfo("reportName").then(function (name) {
      $("#save-path").val(name);
      $("#save-dialog").prop("hidden", false);
      $("#save-path").trigger("focus").trigger("select");
    });
  }

  function closeSaveDialog() {
    $("#save-dialog").prop("hidden", true);
  }

  function saveResults(path) {
    closeSaveDialog();
    return global.doSaveResult(path).then(function (answer) {
      if (answer === "cancel") return;
      var text = answer !== "" ? "Your scan results have been saved at " + answer : "failed to save results";
      $saveTarget.find(".save-message").text(text).toggleClass("failed", answer === "").prop("hidden", false);
    });
  }

  function startOver() {
    threatGrid.clear();
    engineGrid.clear();
    notScannedGrid.clear();
    errorGrid.clear();
    state.details = null;
    if (state.level === 0) {
      selectLevel(isEnabled(state.levelBeforeCustom) ? state.levelBeforeCustom : firstLevelOrCustom());
    }
    showView("start");
  }

  function closeProgram() {
    global
      .windowNavigate("app:1005@Done")
      .then(function () {
        showView("closed");
      })
      .catch(function () {
        showView("closed");
      });
  }

  function bindResultControls() {
    $(".result-view").on("click", ".save-button", function () {
      openSaveDialog($(this).closest(".result-view")).catch(connectionLost);
    });
    $("#save-form").on("submit", function (event) {
      event.preventDefault();
      saveResults($("#save-path").val()).catch(connectionLost);
    });
    $("#save-cancel").on("click", closeSaveDialog);
    $("#save-dialog").on("keydown", function (event) {
      if (event.key === "Escape") closeSaveDialog();
    });
    $(".result-view").on("click", ".start-over", startOver);
    $(".result-view").on("click", ".done-button", closeProgram);
    $("#detail-close, #detail-back").on("click", function () {
      showView("infected");
    });
    $(".result-view").on("click", ".not-scanned-line", function (event) {
      event.preventDefault();
      showNotScanned($(this).closest(".result-view"));
    });
    $("#not-scanned-close, #not-scanned-back").on("click", function () {
      showView(state.resultView || "start");
    });
  }

  function bindLinks() {
    function opener(url) {
      return function (event) {
        event.preventDefault();
        global.openLink(url).catch(function () {});
      };
    }
    $("#title-image, #info-icon, #version-link").on("click", opener(LINKS.product));
    $("#report-link").on("click", opener(LINKS.support));
    $("#maker-logo").on("click", opener(LINKS.maker));
  }

  // A file scan that is left half way may take a while to wind down: ask,
  // unless the settings say that this scan may simply end (exit_on_clean
  // while no threat was found, exit_on_dirty once one was). It holds for
  // every file scan the program runs, also one it started by itself or one
  // that was running when the page was reloaded.
  function asksBeforeLeaving() {
    if (state.fileScan === "") return false;
    if (state.exitOnClean && state.fileScan === "clean") return false;
    if (state.exitOnDirty && state.fileScan === "threats") return false;
    return true;
  }

  function bindLeaveWarning() {
    global.addEventListener("beforeunload", function (event) {
      if (asksBeforeLeaving()) {
        event.preventDefault();
        event.returnValue = "";
      }
    });
  }

  // ---- start -------------------------------------------------------------

  function start() {
    createGrids();
    bindLevelControls();
    bindCustomControls();
    bindResultControls();
    bindLinks();
    bindLeaveWarning();

    return global
      .getClientInfo("version")
      .then(function (version) {
        $("#client-version").text(version);
        return global.getEnabledScanLevels("");
      })
      .then(function (levels) {
        state.enabledLevels = levels
          .split(",")
          .map(function (s) {
            return s.trim();
          })
          .filter(function (s) {
            return s !== "";
          });
        setUpLevels();
        return global.windowNavigate("app:1005@Init");
      })
      .then(function () {
        return global.getClientInfo("exitOnClean");
      })
      .then(function (flag) {
        state.exitOnClean = flag === "1";
        return global.getClientInfo("exitOnDirty");
      })
      .then(function (flag) {
        state.exitOnDirty = flag === "1";
      })
      .then(function () {
        return global.getScanStatus("");
      })
      .then(function (status) {
        // A scan started by the program itself (auto_start) may be running
        // already, or even be over: follow it, or show its outcome. The
        // same holds for a reload of the page.
        if (status === "") {
          showView("start");
          return undefined;
        }
        if (!isFinal(status)) {
          state.scanLevel = -1;
          showView("detection");
          return poll();
        }
        return finishScan(status);
      })
      .catch(connectionLost);
  }

  // For the browser tests: the page's state, read only.
  global.DravantaPage = {
    state: function () {
      return JSON.parse(JSON.stringify(state));
    }
  };

  $(start);
})(window, jQuery);

/*
 * A small data grid for the result lists: fixed columns, a header, one line
 * per row, row activation by click or Enter, and scrolling that draws only
 * the rows in sight, so a list of many thousands of files stays quick.
 *
 *   var grid = DravantaGrid.create($("#where"), {
 *     columns: [{ title: "Path", width: "60%", cell: function ($cell, row) {...} }],
 *     onActivate: function (index, row) {...}
 *   });
 *   grid.setRows(rows);
 *
 * A column without a cell function shows row[columnIndex] as text; with
 * `path: true` a text too long for the column loses its beginning rather
 * than its end, so a file's name stays in sight. Cell functions must put
 * values in with $.fn.text, never as markup.
 */
(function (global, $) {
  "use strict";

  var ROW_HEIGHT = 28; // px, kept in step with .grid-row in grid.css
  var OVERSCAN = 6; // rows drawn above and below the visible ones

  function create($container, options) {
    var columns = options.columns;
    var rows = [];
    var current = -1; // the highlighted row (keyboard), -1 for none

    $container.addClass("grid").empty();
    var $head = $("<div>", { class: "grid-head", role: "row" }).appendTo($container);
    columns.forEach(function (column) {
      $("<div>", { class: "grid-cell", role: "columnheader" })
        .css("flex-basis", column.width || "auto")
        .text(column.title)
        .appendTo($head);
    });
    var $body = $("<div>", { class: "grid-body", tabindex: 0, role: "grid" }).appendTo($container);
    var $spacer = $("<div>", { class: "grid-spacer" }).appendTo($body);
    var $empty = $("<div>", { class: "grid-empty" }).text(options.emptyText || "").appendTo($container);

    function drawRow(index) {
      var row = rows[index];
      var $row = $("<div>", { class: "grid-row", role: "row" })
        .attr("data-index", index)
        .css("top", index * ROW_HEIGHT + "px")
        .toggleClass("odd", index % 2 === 1)
        .toggleClass("current", index === current);
      columns.forEach(function (column, c) {
        var $cell = $("<div>", { class: "grid-cell", role: "gridcell" }).css("flex-basis", column.width || "auto");
        if (column.cell) {
          column.cell($cell, row, index);
        } else {
          var value = row[c] === undefined || row[c] === null ? "" : String(row[c]);
          if (column.path) {
            $cell.addClass("grid-path").append($("<span>").text(value));
          } else {
            $cell.text(value);
          }
          $cell.attr("title", value);
        }
        $row.append($cell);
      });
      return $row;
    }

    // Draws the rows in sight; called on scroll, resize and new data.
    function draw() {
      var top = $body.scrollTop();
      var height = $body.innerHeight() || 0;
      var first = Math.max(0, Math.floor(top / ROW_HEIGHT) - OVERSCAN);
      var last = Math.min(rows.length - 1, Math.ceil((top + height) / ROW_HEIGHT) + OVERSCAN);
      $spacer.empty();
      for (var i = first; i <= last; i++) {
        $spacer.append(drawRow(i));
      }
    }

    function setRows(newRows) {
      rows = newRows || [];
      current = -1;
      $spacer.css("height", rows.length * ROW_HEIGHT + "px");
      $body.scrollTop(0);
      $empty.toggle(rows.length === 0);
      draw();
    }

    function scrollIntoView(index) {
      var top = index * ROW_HEIGHT;
      var viewTop = $body.scrollTop();
      var viewHeight = $body.innerHeight();
      if (top < viewTop) {
        $body.scrollTop(top);
      } else if (top + ROW_HEIGHT > viewTop + viewHeight) {
        $body.scrollTop(top + ROW_HEIGHT - viewHeight);
      }
    }

    function highlight(index) {
      if (rows.length === 0) return;
      current = Math.max(0, Math.min(rows.length - 1, index));
      scrollIntoView(current);
      draw();
    }

    function activate(index) {
      if (index < 0 || index >= rows.length) return;
      current = index;
      draw();
      if (options.onActivate) options.onActivate(index, rows[index]);
    }

    $body.on("scroll", draw);
    $(global).on("resize", draw);
    $body.on("click", ".grid-row", function () {
      activate(Number($(this).attr("data-index")));
    });
    $body.on("keydown", function (event) {
      var page = Math.max(1, Math.floor($body.innerHeight() / ROW_HEIGHT) - 1);
      switch (event.key) {
        case "ArrowDown": highlight(current + 1); break;
        case "ArrowUp": highlight(current - 1); break;
        case "PageDown": highlight(current + page); break;
        case "PageUp": highlight(current - page); break;
        case "Home": highlight(0); break;
        case "End": highlight(rows.length - 1); break;
        case "Enter": activate(current); break;
        default: return;
      }
      event.preventDefault();
    });

    setRows([]);
    return {
      setRows: setRows,
      clear: function () { setRows([]); },
      redraw: draw,
      rowCount: function () { return rows.length; }
    };
  }

  global.DravantaGrid = { create: create, ROW_HEIGHT: ROW_HEIGHT };
})(window, jQuery);

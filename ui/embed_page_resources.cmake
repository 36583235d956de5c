# Writes a C++ source holding every resource listed in the page manifest as a
# byte array. Run as: cmake -DMANIFEST=... -DPAGE_DIR=... -DOUTPUT=... -P this
#
# Manifest lines: "NAME relative/path"; blank lines and "#" lines are skipped.

function(content_type_of path out)
  string(TOLOWER "${path}" lower)
  set(type "application/octet-stream")
  if(lower MATCHES "\\.html?$")
    set(type "text/html; charset=utf-8")
  elseif(lower MATCHES "\\.js$")
    set(type "text/javascript; charset=utf-8")
  elseif(lower MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  elseif(lower MATCHES "\\.svg$")
    set(type "image/svg+xml")
  elseif(lower MATCHES "\\.png$")
    set(type "image/png")
  elseif(lower MATCHES "\\.gif$")
    set(type "image/gif")
  elseif(lower MATCHES "\\.jpe?g$")
    set(type "image/jpeg")
  elseif(lower MATCHES "\\.ico$")
    set(type "image/x-icon")
  elseif(lower MATCHES "\\.woff2$")
    set(type "font/woff2")
  elseif(lower MATCHES "\\.woff$")
    set(type "font/woff")
  elseif(lower MATCHES "\\.json$")
    set(type "application/json")
  elseif(lower MATCHES "\\.txt$")
    set(type "text/plain; charset=utf-8")
  endif()
  set(${out} "${type}" PARENT_SCOPE)
endfunction()

set(body "// Generated from the page manifest at build time. Do not edit.\n")
string(APPEND body "#include \"ui/page_resources.h\"\n\nnamespace dravanta {\nnamespace {\n\n")
set(table "")
set(count 0)
if(EXISTS "${MANIFEST}")
  file(STRINGS "${MANIFEST}" lines)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    if(NOT line MATCHES "^([^ \t]+)[ \t]+(.+)$")
      message(FATAL_ERROR "page manifest: bad line '${line}'")
    endif()
    set(name "${CMAKE_MATCH_1}")
    string(STRIP "${CMAKE_MATCH_2}" file)
    set(path "${PAGE_DIR}/${file}")
    if(NOT EXISTS "${path}")
      message(FATAL_ERROR "page manifest: ${name}: missing file ${path}")
    endif()
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    content_type_of("${file}" type)
    string(APPEND body "const char kData${count}[] = {${bytes} 0};\n")
    string(APPEND table "    {\"${name}\", \"${type}\", {kData${count}, ${size}}},\n")
    math(EXPR count "${count} + 1")
  endforeach()
endif()
if(count EQUAL 0)
  string(APPEND body "const PageResource kResources[1] = {};\nconstexpr size_t kCount = 0;\n")
else()
  string(APPEND body "const PageResource kResources[] = {\n${table}};\n")
  string(APPEND body "constexpr size_t kCount = ${count};\n")
endif()
string(APPEND body "\n}  // namespace\n\n")
string(APPEND body [=[
const PageResource* FindPageResource(std::string_view name) {
  for (size_t i = 0; i < kCount; ++i) {
    if (kResources[i].name == name) return &kResources[i];
  }
  return nullptr;
}

size_t PageResourceCount() { return kCount; }

const PageResource& PageResourceAt(size_t index) { return kResources[index]; }

}  // namespace dravanta
]=])
file(WRITE "${OUTPUT}.tmp" "${body}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")

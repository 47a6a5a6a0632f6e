# Quorlen demo plugin: the small sample package that the installer's demo server hands out.
require 'sketchup.rb'
require 'extensions.rb'

module Quorlen
  module Demo
    EXTENSION = SketchupExtension.new('Quorlen Demo', 'qln_demo/main')
    EXTENSION.version = '1.0.0'
    EXTENSION.description = 'Sample plugin installed by the Quorlen installer demo.'
    Sketchup.register_extension(EXTENSION, true)
  end
end

# Adds one menu entry that greets the user, to show the plugin arrived.
module Quorlen
  module Demo
    def self.greet
      UI.messagebox('Quorlen demo plugin is installed.')
    end

    unless file_loaded?(__FILE__)
      UI.menu('Plugins').add_item('Quorlen Demo') { greet }
      file_loaded(__FILE__)
    end
  end
end
